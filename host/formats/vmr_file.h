// The host's anatomical volume file: its dimensions and, optionally, one
// intensity byte per voxel (x fastest, then y, then z).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvora::formats {

struct VmrFile {
    int dimX = 256, dimY = 256, dimZ = 256;
    std::vector<std::uint8_t> voxels;  // empty, or dimX * dimY * dimZ bytes

    std::size_t voxelCount() const {
        return static_cast<std::size_t>(dimX) * static_cast<std::size_t>(dimY) *
               static_cast<std::size_t>(dimZ);
    }
};

VmrFile readVmrFile(const std::filesystem::path& path);
std::string encodeVmrFile(const VmrFile& vmr);  // throws std::invalid_argument on inconsistent input
void writeVmrFile(const std::filesystem::path& path, const VmrFile& vmr);

}  // namespace talvora::formats
