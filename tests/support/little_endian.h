// Little-endian values appended to a byte string, for building the expected
// bytes of a binary file by hand.
#pragma once

#include <cstring>
#include <string>

namespace test_support {

inline void i16(std::string& s, int v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}

inline void f32(std::string& s, float v) {
    static_assert(sizeof(float) == 4, "the files hold 4-byte floats");
    char b[4];
    std::memcpy(b, &v, 4);
    s.append(b, 4);
}

}  // namespace test_support
