#include "distortion/io/map_file.h"

#include "distortion/core/errors.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace mirel {
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
    // Read slice by slice so a short file fails before a large allocation.
    std::vector<float> values;
    const std::size_t plane = static_cast<std::size_t>(nx) * ny;
    std::vector<char> buffer(plane * sizeof(float));
    for (int z = 0; z < nz; ++z) {
        readValue<std::uint16_t>(in);
        if (plane > 0 && !in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
            throw ReadFileError("error reading from binary file");
        const std::size_t at = values.size();
        values.resize(at + plane);
        if (plane > 0) std::memcpy(values.data() + at, buffer.data(), buffer.size());
    }
    Volume v(nx, ny, nz);
    if (!values.empty()) std::memcpy(v.data(), values.data(), values.size() * sizeof(float));
    return v;
}

Volume readMapFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw OpenFileError("could not open file " + fileName);
    return readMapStream(in);
}

}  // namespace mirel
