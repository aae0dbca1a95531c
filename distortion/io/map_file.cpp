#include "distortion/io/map_file.h"

#include "distortion/core/errors.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace distortion::io {

using namespace core;
namespace {

template <class T>
T readValue(std::istream& in) {
    char bytes[sizeof(T)];
    if (!in.read(bytes, sizeof(T))) throw ReadFileError("error reading from binary file");
    T v;
    std::memcpy(&v, bytes, sizeof(T));
    return v;
}

}  // namespace

Volume readMapStream(std::istream& in) {
    const std::uint16_t typeWord = readValue<std::uint16_t>(in);
    std::uint16_t slices = readValue<std::uint16_t>(in);
    const std::uint16_t rows = readValue<std::uint16_t>(in);
    const std::uint16_t columns = readValue<std::uint16_t>(in);
    if (slices == 0) slices = static_cast<std::uint16_t>(typeWord % 10000);
    readValue<std::uint16_t>(in);  // cluster field
    readValue<float>(in);          // lower threshold
    readValue<float>(in);          // upper threshold
    if (typeWord / 10000 == 2) readValue<std::uint16_t>(in);
    readValue<std::uint16_t>(in);  // field A
    const std::uint16_t fieldB = readValue<std::uint16_t>(in);
    if (fieldB > 2) {
        readValue<std::int32_t>(in);
        readValue<std::int32_t>(in);
    }
    for (;;) {  // map name
        const char c = readValue<char>(in);
        if (c == '\0') break;
    }
    const int nx = columns, ny = rows, nz = slices;
    // Read in pieces of at most 1 MiB, so memory grows only with the values
    // the file really holds: a short file whose header claims 65535 x 65535
    // values fails at its end instead of asking for gigabytes first.
    constexpr std::size_t kPiece = std::size_t{1} << 18;  // floats
    const std::size_t plane = static_cast<std::size_t>(nx) * ny;
    std::vector<float> values;
    for (int z = 0; z < nz; ++z) {
        readValue<std::uint16_t>(in);
        for (std::size_t done = 0; done < plane;) {
            const std::size_t count = std::min(kPiece, plane - done);
            const std::size_t at = values.size();
            values.resize(at + count);
            if (!in.read(reinterpret_cast<char*>(values.data() + at),
                         static_cast<std::streamsize>(count * sizeof(float))))
                throw ReadFileError("error reading from binary file");
            done += count;
        }
    }
    Volume v(nx, ny, nz);
    if (!values.empty()) std::memcpy(v.data(), values.data(), values.size() * sizeof(float));
    return v;
}

Volume readMapFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw OpenFileError("could not open file " + fileName);
    Volume map = readMapStream(in);
    // A map without values cannot be applied to any project.
    if (map.size() == 0)
        throw ReadFileError(fileName + ": the map is empty (" + std::to_string(map.nx()) + " x " +
                            std::to_string(map.ny()) + " x " + std::to_string(map.nz()) + ")");
    return map;
}

}  // namespace distortion::io
