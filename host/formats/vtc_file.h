// VTC files: a volume time course in functional resolution. Binary,
// little-endian; header fields read one after another (versions 2 and 3),
// then the data with each voxel's time course stored together, voxels in
// x-fastest, then y, then z order.
#pragma once

#include "host/formats/format_io.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvora::formats {

struct VtcHeader {
    int version = 3;
    std::string sourceFMR;
    bool hasProtocol = false;  // version 2 always names one
    std::string protocolName;
    int currentProtocolIndex = 0;
    int dataType = 2;  // 2: float32 values, otherwise uint16
    int nrOfVolumes = 0;
    FunctionalGrid grid;
    int lrConvention = 1;
    int referenceSpace = 3;  // 3 when the file does not say (version 2)
    float tr = 2000.0f;      // milliseconds

    std::size_t headerBytes = 0;  // filled by the reader

    bool floatData() const { return dataType == 2; }
    std::size_t bytesPerValue() const { return floatData() ? 4 : 2; }
    std::size_t dataBytes() const {
        return grid.voxelCount() * static_cast<std::size_t>(nrOfVolumes) * bytesPerValue();
    }
    int trMilliseconds() const;  // floor(TR + 0.5)
};

// Parses and checks a header from the first bytes of a file whose total size
// is `fileSize`; refuses bad versions, impossible geometry and a file size
// that disagrees with the header. Throws "<path>: <problem>".
VtcHeader parseVtcHeader(const std::filesystem::path& path, const std::string& headBytes,
                         std::uint64_t fileSize);

// Reads only the header (and the file size) of a VTC file.
VtcHeader readVtcHeader(const std::filesystem::path& path);

struct VtcFile {
    VtcHeader header;
    std::vector<float> floatValues;        // when header.floatData()
    std::vector<std::uint16_t> intValues;  // otherwise
};

VtcFile readVtcFile(const std::filesystem::path& path);

// The header's bytes as the writer lays them out (headerBytes is ignored).
std::string encodeVtcHeader(const VtcHeader& header);

// Writes the file whole or not at all. Exactly one of the value arrays must
// match the header's data type and size; throws std::invalid_argument if not.
void writeVtcFile(const std::filesystem::path& path, const VtcHeader& header,
                  const std::vector<float>& floatValues, const std::vector<std::uint16_t>& intValues = {});

}  // namespace talvora::formats
