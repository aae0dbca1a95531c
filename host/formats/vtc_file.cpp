#include "host/formats/vtc_file.h"

#include "frame/atomic_file.h"
#include "frame/grid.h"
#include "frame/vtc_header.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace talvora::formats {
namespace fs = std::filesystem;

int VtcHeader::trMilliseconds() const {
    return static_cast<int>(std::floor(tr + 0.5f));
}

namespace {

// Field-by-field reader over the header bytes; running out of bytes means
// the file is shorter than its header.
class FieldReader {
public:
    FieldReader(const fs::path& path, const std::string& bytes) : path_(path), bytes_(bytes) {}

    std::int16_t int16(const char* field) {
        need(2, field);
        std::int16_t v;
        std::memcpy(&v, &bytes_[pos_], 2);
        pos_ += 2;
        return v;
    }
    std::uint8_t uint8(const char* field) {
        need(1, field);
        return static_cast<std::uint8_t>(bytes_[pos_++]);
    }
    float float32(const char* field) {
        need(4, field);
        float v;
        std::memcpy(&v, &bytes_[pos_], 4);
        pos_ += 4;
        return v;
    }
    std::string text(const char* field) {
        const std::size_t end = bytes_.find('\0', pos_);
        if (end == std::string::npos)
            fail(path_, std::string("truncated header: the ") + field + " has no terminating zero byte");
        std::string s = bytes_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return s;
    }
    std::size_t position() const { return pos_; }

    [[noreturn]] void unsupportedVersion(int version) {
        fail(path_, "unsupported VTC version " + std::to_string(version) + " (versions 2 and 3 are read)");
    }
    [[noreturn]] void tooManyProtocols(int linked) {
        fail(path_, "the header links " + std::to_string(linked) + " protocols; at most one is supported");
    }

private:
    void need(std::size_t n, const char* field) {
        if (pos_ + n > bytes_.size())
            fail(path_, std::string("truncated header: the file ends before the ") + field);
    }
    const fs::path& path_;
    const std::string& bytes_;
    std::size_t pos_ = 0;
};

// A header with two long texts stays well below this.
constexpr std::size_t kHeaderProbeBytes = 1 << 16;

void putInt16(std::string& out, int v) {
    const std::int16_t s = static_cast<std::int16_t>(v);
    out.append(reinterpret_cast<const char*>(&s), 2);
}
void putFloat(std::string& out, float v) {
    out.append(reinterpret_cast<const char*>(&v), 4);
}
void putText(std::string& out, const std::string& s) {
    out += s;
    out += '\0';
}

}  // namespace

VtcHeader parseVtcHeader(const fs::path& path, const std::string& head, std::uint64_t fileSize) {
    FieldReader in(path, head);
    const tl::VtcHeaderFields f = tl::readVtcHeaderFields(in);
    VtcHeader h;
    h.version = f.version;
    h.sourceFMR = f.sourceFMR;
    h.hasProtocol = f.linkedProtocols == 1;
    h.protocolName = f.protocolName;
    h.currentProtocolIndex = f.currentProtocolIndex;
    h.dataType = f.dataType;
    h.nrOfVolumes = f.nrOfVolumes;
    tl::copyGridBox(f, h.grid);
    // Version 2 stores neither byte: convention 1, reference space 3.
    h.lrConvention = f.hasConventionBytes ? f.lrConvention : 1;
    h.referenceSpace = f.hasConventionBytes ? f.referenceSpace : 3;
    h.tr = f.tr;
    h.headerBytes = in.position();

    if (h.nrOfVolumes < 1) fail(path, "the header gives " + std::to_string(h.nrOfVolumes) + " volumes");
    if (h.grid.resolution < 1)
        fail(path, "the header gives a resolution of " + std::to_string(h.grid.resolution));
    if (h.grid.xStart < 0 || h.grid.yStart < 0 || h.grid.zStart < 0 || h.grid.dimX() < 1 ||
        h.grid.dimY() < 1 || h.grid.dimZ() < 1)
        fail(path, "the bounding box holds no functional voxel (" + h.grid.describe() + ")");
    if (!std::isfinite(h.tr) || h.tr <= 0.0f || h.tr > 1.0e6f)
        fail(path, "the repetition time " + formatFloat(h.tr) + " ms is not usable");

    const std::uint64_t have = fileSize - h.headerBytes;
    const std::uint64_t need = h.dataBytes();
    if (have < need)
        fail(path, "truncated: the header announces " + std::to_string(need) + " bytes of data (" +
                       std::to_string(h.grid.dimX()) + " x " + std::to_string(h.grid.dimY()) + " x " +
                       std::to_string(h.grid.dimZ()) + " voxels, " + std::to_string(h.nrOfVolumes) +
                       " volumes) but the file holds " + std::to_string(have));
    if (have > need)
        fail(path, "the file holds " + std::to_string(have) + " bytes of data but the header announces " +
                       std::to_string(need));
    return h;
}

VtcHeader readVtcHeader(const fs::path& path) {
    requireRegularFile(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, "cannot open the file for reading");
    in.seekg(0, std::ios::end);
    const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeaderProbeBytes)), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (!in) fail(path, "read error");
    if (size == 0) fail(path, "the file is empty");
    return parseVtcHeader(path, head, size);
}

VtcFile readVtcFile(const fs::path& path) {
    // The header's own size check refuses anything else; this only keeps a
    // file no header can describe from being read at all.
    const std::string bytes =
        readWholeFile(path, saturatingSize(32767ull * 32767ull * 32767ull, 32767ull * 4, kHeaderProbeBytes));
    if (bytes.empty()) fail(path, "the file is empty");
    VtcFile file;
    file.header =
        parseVtcHeader(path, bytes.substr(0, std::min(bytes.size(), kHeaderProbeBytes)), bytes.size());
    const char* data = bytes.data() + file.header.headerBytes;
    const std::size_t count =
        file.header.grid.voxelCount() * static_cast<std::size_t>(file.header.nrOfVolumes);
    if (file.header.floatData()) {
        file.floatValues.resize(count);
        if (count) std::memcpy(file.floatValues.data(), data, count * 4);
    } else {
        file.intValues.resize(count);
        if (count) std::memcpy(file.intValues.data(), data, count * 2);
    }
    return file;
}

std::string encodeVtcHeader(const VtcHeader& h) {
    std::string out;
    putInt16(out, h.version);
    putText(out, h.sourceFMR);
    if (h.version == 3) {
        putInt16(out, h.hasProtocol ? 1 : 0);
        if (h.hasProtocol) putText(out, h.protocolName);
        putInt16(out, h.currentProtocolIndex);
        putInt16(out, h.dataType);
    } else {
        putText(out, h.protocolName);
    }
    putInt16(out, h.nrOfVolumes);
    putInt16(out, h.grid.resolution);
    putInt16(out, h.grid.xStart);
    putInt16(out, h.grid.xEnd);
    putInt16(out, h.grid.yStart);
    putInt16(out, h.grid.yEnd);
    putInt16(out, h.grid.zStart);
    putInt16(out, h.grid.zEnd);
    if (h.version == 3) {
        out += static_cast<char>(h.lrConvention);
        out += static_cast<char>(h.referenceSpace);
    } else {
        putInt16(out, 0);
    }
    putFloat(out, h.tr);
    if (h.version == 2) {
        putFloat(out, 0.0f);
        putFloat(out, 0.0f);
        putInt16(out, 0);
        putInt16(out, 0);
    }
    return out;
}

void writeVtcFile(const fs::path& path, const VtcHeader& h, const std::vector<float>& floatValues,
                  const std::vector<std::uint16_t>& intValues) {
    if (h.version != 2 && h.version != 3) throw std::invalid_argument("VTC version must be 2 or 3");
    if (h.version == 2 && h.dataType == 2)
        throw std::invalid_argument("a version 2 VTC holds uint16 values only");
    const auto fits16 = [](int v) {
        return v >= std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
    };
    for (int v : {h.nrOfVolumes, h.grid.resolution, h.grid.xStart, h.grid.xEnd, h.grid.yStart, h.grid.yEnd,
                  h.grid.zStart, h.grid.zEnd})
        if (!fits16(v)) throw std::invalid_argument("a VTC header field does not fit 16 bits");
    const std::size_t count = h.grid.voxelCount() * static_cast<std::size_t>(h.nrOfVolumes);
    if (h.floatData() ? floatValues.size() != count : intValues.size() != count)
        throw std::invalid_argument("VTC data size does not match its header");
    const std::string header = encodeVtcHeader(h);
    tl::writeFileAtomically(path, [&](std::ostream& out) {
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        if (h.floatData())
            out.write(reinterpret_cast<const char*>(floatValues.data()),
                      static_cast<std::streamsize>(count * 4));
        else
            out.write(reinterpret_cast<const char*>(intValues.data()),
                      static_cast<std::streamsize>(count * 2));
    });
}

}  // namespace talvora::formats
