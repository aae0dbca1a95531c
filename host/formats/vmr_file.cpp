#include "host/formats/vmr_file.h"

#include "host/formats/format_io.h"

#include <cstring>
#include <stdexcept>

namespace talvora::formats {
namespace {
constexpr const char* kMagic = "TALVORA-VMR";
constexpr int kVersion = 1;
constexpr long long kMaxDim = 4096;
}  // namespace

// Largest VMR: one byte per voxel of a 4096-cube.
constexpr std::uint64_t kMaxVmrBytes = kMaxHeaderBytes + 4096ull * 4096 * 4096;

VmrFile readVmrFile(const std::filesystem::path& path) {
    HeaderReader in(path, readWholeFile(path, kMaxVmrBytes));
    in.expectMagic(kMagic, kVersion, "Talvora VMR file");
    VmrFile vmr;
    const auto dims = in.integers("Dimensions", 3, 1, kMaxDim);
    vmr.dimX = static_cast<int>(dims[0]);
    vmr.dimY = static_cast<int>(dims[1]);
    vmr.dimZ = static_cast<int>(dims[2]);
    const int kind = in.choice("Voxels", {"none", "uint8"});
    if (kind == 1) {
        const std::string_view bytes = in.binaryPayload(vmr.voxelCount(), "voxel data");
        vmr.voxels.assign(bytes.begin(), bytes.end());
    } else if (!in.atEnd()) {
        in.nextLine("");
        in.failAtLine("unexpected text after \"Voxels: none\"");
    }
    return vmr;
}

std::string encodeVmrFile(const VmrFile& vmr) {
    if (vmr.dimX < 1 || vmr.dimY < 1 || vmr.dimZ < 1 || vmr.dimX > kMaxDim || vmr.dimY > kMaxDim ||
        vmr.dimZ > kMaxDim)
        throw std::invalid_argument("VMR dimensions must lie in 1 ... 4096");
    if (!vmr.voxels.empty() && vmr.voxels.size() != vmr.voxelCount())
        throw std::invalid_argument("VMR voxel data must hold one byte per voxel");
    std::string out = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    out += "Dimensions: " + std::to_string(vmr.dimX) + " " + std::to_string(vmr.dimY) + " " +
           std::to_string(vmr.dimZ) + "\n";
    if (vmr.voxels.empty()) {
        out += "Voxels: none\n";
    } else {
        out += "Voxels: uint8\nBinaryData:\n";
        out.append(reinterpret_cast<const char*>(vmr.voxels.data()), vmr.voxels.size());
    }
    return out;
}

void writeVmrFile(const std::filesystem::path& path, const VmrFile& vmr) {
    saveBytes(path, encodeVmrFile(vmr));
}

}  // namespace talvora::formats
