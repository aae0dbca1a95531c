#include "host/formats/mask_file.h"

#include <stdexcept>

namespace talvora::formats {
namespace {
constexpr const char* kMagic = "TALVORA-MSK";
constexpr int kVersion = 1;
}  // namespace

// Largest mask: one byte per voxel of the largest grid.
const std::uint64_t kMaxMaskBytes = saturatingSize(32767ull * 32767ull, 32767ull, kMaxHeaderBytes);

MaskFile readMaskFile(const std::filesystem::path& path) {
    HeaderReader in(path, readWholeFile(path, kMaxMaskBytes));
    in.expectMagic(kMagic, kVersion, "Talvora mask file");
    MaskFile mask;
    mask.grid = in.grid();
    const std::string_view bytes = in.binaryPayload(mask.grid.voxelCount(), "mask voxels");
    mask.voxels.assign(bytes.begin(), bytes.end());
    return mask;
}

std::string encodeMaskFile(const MaskFile& mask) {
    if (mask.grid.resolution < 1 || mask.grid.voxelCount() == 0)
        throw std::invalid_argument("mask grid is empty");
    if (mask.voxels.size() != mask.grid.voxelCount())
        throw std::invalid_argument("a mask holds one byte per functional voxel");
    std::string out = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    writeGrid(out, mask.grid);
    out += "BinaryData:\n";
    out.append(reinterpret_cast<const char*>(mask.voxels.data()), mask.voxels.size());
    return out;
}

void writeMaskFile(const std::filesystem::path& path, const MaskFile& mask) {
    saveBytes(path, encodeMaskFile(mask));
}

}  // namespace talvora::formats
