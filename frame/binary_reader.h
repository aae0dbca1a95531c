// Reading the host's little-endian binary files value by value. Each
// format's reader keeps its own error text: the reader calls `endsEarly`
// when the stream ends before a value, and that function throws.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tl {

class BinaryReader {
public:
    BinaryReader(std::istream& in, std::function<void()> endsEarly)
        : in_(in), endsEarly_(std::move(endsEarly)) {}

    template <class T>
    T get() {
        char bytes[sizeof(T)];
        read(bytes, sizeof(T));
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    template <class T>
    void skip() {
        get<T>();
    }

    // A text up to its terminating zero (not included).
    std::string zeroTerminated() {
        std::string text;
        for (char c = get<char>(); c != '\0'; c = get<char>()) text.push_back(c);
        return text;
    }

    // Appends `count` floats to `values` in pieces of at most 1 MiB, so that
    // memory grows only with the values the file really holds: a short file
    // whose header claims billions of values fails at its end instead of
    // asking for gigabytes first.
    void appendFloats(std::vector<float>& values, std::size_t count) {
        constexpr std::size_t kPiece = std::size_t{1} << 18;  // floats
        for (std::size_t done = 0; done < count;) {
            const std::size_t n = count - done < kPiece ? count - done : kPiece;
            const std::size_t at = values.size();
            values.resize(at + n);
            read(reinterpret_cast<char*>(values.data() + at), n * sizeof(float));
            done += n;
        }
    }

private:
    void read(char* bytes, std::size_t n) {
        if (in_.read(bytes, static_cast<std::streamsize>(n))) return;
        endsEarly_();
        throw std::runtime_error("the file ends early");  // `endsEarly` should have thrown
    }

    std::istream& in_;
    std::function<void()> endsEarly_;
};

}  // namespace tl
