// The host's VOI file: named volumes of interest, each a list of anatomical
// voxels (three integers c0 c1 c2 per voxel), in volume coordinates or in
// the reference (Talairach) convention.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvora::formats {

struct VoiDefinition {
    std::string name;
    std::vector<std::int32_t> coords;  // c0 c1 c2 per voxel
    std::size_t voxelCount() const { return coords.size() / 3; }
};

struct VoiFile {
    // 3: reference convention (x = 128 - c1, y = 128 - c2, z = 128 - c0);
    // 1: volume coordinates (x = c0, y = c1, z = c2).
    static constexpr int kVolumeConvention = 1;
    static constexpr int kReferenceConvention = 3;
    int convention = kVolumeConvention;
    std::vector<VoiDefinition> vois;
};

// Volume coordinates (x, y, z) of one stored triple under a convention.
std::array<int, 3> voiVoxelToVolume(int convention, std::int32_t c0, std::int32_t c1, std::int32_t c2);

// Reads a VOI file. When `volumeDims` is given (x, y, z), every voxel must
// lie inside that anatomical volume once converted to volume coordinates.
VoiFile readVoiFile(const std::filesystem::path& path, const std::array<int, 3>* volumeDims = nullptr);
std::string encodeVoiFile(const VoiFile& vois);  // std::invalid_argument on bad input
void writeVoiFile(const std::filesystem::path& path, const VoiFile& vois);

}  // namespace talvora::formats
