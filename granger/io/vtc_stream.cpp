#include "granger/io/vtc_stream.h"

#include "frame/grid.h"
#include "frame/vtc_header.h"

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

// The header's values from the stream; a short read or a refused value
// ends the header with Refused (the caller answers "no header").
struct Refused {};
struct HeaderSource {
    std::istream& in;

    std::int16_t int16(const char*) {
        std::int32_t v = 0;
        if (!readI16(in, v)) throw Refused{};
        return static_cast<std::int16_t>(v);
    }
    std::uint8_t uint8(const char*) {
        std::int32_t v = 0;
        if (!readU8(in, v)) throw Refused{};
        return static_cast<std::uint8_t>(v);
    }
    float float32(const char*) {
        float v = 0.0f;
        if (!readF32(in, v)) throw Refused{};
        return v;
    }
    std::string text(const char*) {
        std::string s;
        if (!readText(in, s)) throw Refused{};
        return s;
    }
    [[noreturn]] void unsupportedVersion(int) { throw Refused{}; }
    [[noreturn]] void tooManyProtocols(int) { throw Refused{}; }
};

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
    const std::streampos start = in.tellg();
    tl::VtcHeaderFields f;
    try {
        HeaderSource source{in};
        f = tl::readVtcHeaderFields(source);
    } catch (const Refused&) {
        return std::nullopt;
    }
    VtcInfo h;
    h.version = f.version;
    h.sourceFMR = f.sourceFMR;
    h.nrOfProtocols = f.linkedProtocols;
    h.protocolName = f.protocolName;
    h.dataType = f.dataType;
    h.nrOfVolumes = f.nrOfVolumes;
    tl::copyGridBox(f, h);
    h.lrConvention = f.lrConvention;
    h.referenceSpace = f.hasConventionBytes ? f.referenceSpace : 3;
    if (!std::isfinite(f.tr) || std::fabs(f.tr) > 1e9f) return std::nullopt;
    h.trMs = static_cast<std::int32_t>(std::floor(f.tr + 0.5f));
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
