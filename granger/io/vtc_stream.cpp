#include "granger/io/vtc_stream.h"

#include <cmath>
#include <cstring>

namespace granger::io {

namespace {

bool readI16(std::istream& in, std::int32_t& v) {
    unsigned char b[2];
    if (!in.read(reinterpret_cast<char*>(b), 2)) return false;
    v = static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
    return true;
}

bool readU8(std::istream& in, std::int32_t& v) {
    char c;
    if (!in.get(c)) return false;
    v = static_cast<unsigned char>(c);
    return true;
}

bool readF32(std::istream& in, float& v) {
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
    const std::uint32_t u = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                            (static_cast<std::uint32_t>(b[2]) << 16) |
                            (static_cast<std::uint32_t>(b[3]) << 24);
    std::memcpy(&v, &u, 4);
    return true;
}

// Zero-terminated text; refuses text without a terminator in a sane length.
bool readText(std::istream& in, std::string& s) {
    s.clear();
    char c;
    while (in.get(c)) {
        if (c == '\0') return true;
        if (s.size() >= 4096) return false;
        s.push_back(c);
    }
    return false;
}

void toFloats(const char* raw, std::size_t count, bool isFloat, float* out) {
    if (isFloat) {
        std::memcpy(out, raw, count * 4);
    } else {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(raw);
        for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<float>(b[2 * i] | (b[2 * i + 1] << 8));
    }
}

}  // namespace

std::optional<VtcInfo> readVtcInfo(std::istream& in) {
    VtcInfo h;
    const std::streampos start = in.tellg();
    if (!readI16(in, h.version) || (h.version != 2 && h.version != 3)) return std::nullopt;
    if (!readText(in, h.sourceFMR)) return std::nullopt;
    h.nrOfProtocols = 1;
    if (h.version == 3) {
        if (!readI16(in, h.nrOfProtocols) || h.nrOfProtocols < 0 || h.nrOfProtocols > 1) return std::nullopt;
    }
    if (h.nrOfProtocols != 0 && !readText(in, h.protocolName)) return std::nullopt;
    h.dataType = 1;
    if (h.version == 3) {
        std::int32_t ignored = 0;
        if (!readI16(in, ignored) || !readI16(in, h.dataType)) return std::nullopt;
    }
    if (!readI16(in, h.nrOfVolumes) || !readI16(in, h.resolution) || !readI16(in, h.xStart) ||
        !readI16(in, h.xEnd) || !readI16(in, h.yStart) || !readI16(in, h.yEnd) || !readI16(in, h.zStart) ||
        !readI16(in, h.zEnd))
        return std::nullopt;
    h.referenceSpace = 3;
    if (h.version == 3) {
        if (!readU8(in, h.lrConvention) || !readU8(in, h.referenceSpace)) return std::nullopt;
    } else {
        std::int32_t ignored = 0;
        if (!readI16(in, ignored)) return std::nullopt;
    }
    float tr = 0.0f;
    if (!readF32(in, tr) || !std::isfinite(tr) || std::fabs(tr) > 1e9f) return std::nullopt;
    h.trMs = static_cast<std::int32_t>(std::floor(tr + 0.5f));
    if (h.version == 2) {
        float f;
        std::int32_t i;
        if (!readF32(in, f) || !readF32(in, f) || !readI16(in, i) || !readI16(in, i)) return std::nullopt;
    }
    if (h.nrOfVolumes < 1 || h.resolution < 1 || h.dimX() < 1 || h.dimY() < 1 || h.dimZ() < 1)
        return std::nullopt;
    h.headerBytes = static_cast<std::int32_t>(in.tellg() - start);
    return h;
}

bool readVoxelTimeCourse(std::istream& in, const VtcInfo& info, std::size_t voxelIndex, float* out) {
    const std::size_t v = static_cast<std::size_t>(info.nrOfVolumes);
    const std::size_t bytes = v * info.bytesPerValue();
    std::vector<char> raw(bytes);
    in.clear();
    in.seekg(static_cast<std::streamoff>(info.headerBytes + voxelIndex * bytes));
    if (!in || !in.read(raw.data(), static_cast<std::streamsize>(bytes))) return false;
    toFloats(raw.data(), v, info.dataType == 2, out);
    return true;
}

bool readSlice(std::istream& in, const VtcInfo& info, int z, std::vector<char>& raw,
               std::vector<float>& out) {
    const std::size_t count = static_cast<std::size_t>(info.dimX()) * static_cast<std::size_t>(info.dimY()) *
                              static_cast<std::size_t>(info.nrOfVolumes);
    const std::size_t bytes = count * info.bytesPerValue();
    raw.resize(bytes);
    out.resize(count);
    in.clear();
    in.seekg(static_cast<std::streamoff>(info.headerBytes + static_cast<std::size_t>(z) * bytes));
    if (!in || !in.read(raw.data(), static_cast<std::streamsize>(bytes))) return false;
    toFloats(raw.data(), count, info.dataType == 2, out.data());
    return true;
}

}  // namespace granger::io
