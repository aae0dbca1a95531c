// The host's mask file: one byte per functional (VTC) voxel, x fastest, then
// y, then z; non-zero means inside. The grid says which VTCs it fits.
#pragma once

#include "host/formats/format_io.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvora::formats {

struct MaskFile {
    FunctionalGrid grid;
    std::vector<std::uint8_t> voxels;  // grid.voxelCount() bytes
};

MaskFile readMaskFile(const std::filesystem::path& path);
std::string encodeMaskFile(const MaskFile& mask);  // std::invalid_argument on bad input
void writeMaskFile(const std::filesystem::path& path, const MaskFile& mask);

}  // namespace talvora::formats
