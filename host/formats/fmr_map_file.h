// The ".map" file of a functional project's maps (binary, little-endian):
// a header of 16-bit sizes and thresholds, then each map's name and its
// values slice by slice. Layout in docs/formats.md.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvora::formats {

struct FmrMap {
    std::string name;
    std::int32_t clusterFlag = 1;  // the record's fourth field
    float lowerThreshold = 0.0f;
    float upperThreshold = 1.0f;
    std::int32_t lastFlag = 0;  // the record's eighth field
    std::vector<float> values;  // nx * ny * nz, x fastest, then y, then z
};

struct FmrMapFile {
    int nx = 0, ny = 0, nz = 0;
    std::vector<FmrMap> maps;
};

// Throws std::runtime_error naming the file and the problem.
void writeFmrMapFile(const std::filesystem::path& path, const FmrMapFile& file);
FmrMapFile readFmrMapFile(const std::filesystem::path& path);

// The functional project's grid, from its header: columns, rows, slices.
struct FmrGrid {
    int nx = 0, ny = 0, nz = 0, nrOfVolumes = 0;
};
FmrGrid readFmrGrid(const std::filesystem::path& path);

}  // namespace talvora::formats
