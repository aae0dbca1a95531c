// How a VOI file stores its voxels. In the volume convention (1) a voxel is
// stored as its volume coordinates (x, y, z). In the reference (Talairach)
// convention (3) it is stored as (c0, c1, c2) with x = 128 - c1,
// y = 128 - c2, z = 128 - c0. The host, the plug-ins and the example-data
// tools all use these two functions.
#pragma once

#include <array>

namespace tl {

constexpr int kVoiVolumeConvention = 1;
constexpr int kVoiReferenceConvention = 3;

// Volume coordinates (x, y, z) of a stored voxel (c0, c1, c2).
constexpr std::array<int, 3> voiVoxelToVolume(int convention, int c0, int c1, int c2) {
    if (convention == kVoiReferenceConvention) return {128 - c1, 128 - c2, 128 - c0};
    return {c0, c1, c2};
}

// The stored voxel of volume point (x, y, z) in the reference convention.
constexpr std::array<int, 3> volumeToReferenceVoiVoxel(int x, int y, int z) {
    return {128 - z, 128 - x, 128 - y};
}

}  // namespace tl
