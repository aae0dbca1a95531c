#include "latency/core/label_volume.h"

#include "frame/voi_convention.h"

#include <algorithm>
#include <cmath>

namespace latency::core {

int gridCell(int coordinate, int start, int resolution, int dim) {
    const float position = static_cast<float>(coordinate - start) / static_cast<float>(resolution) + 0.5f;
    const int cell = static_cast<int>(std::floor(position));
    return std::clamp(cell, 0, dim - 1);
}

VmrPoint voiVoxelToVmr(const int* triple, int convention) {
    const std::array<int, 3> p = tl::voiVoxelToVolume(convention, triple[0], triple[1], triple[2]);
    return {p[0], p[1], p[2]};
}

LabelVolume::LabelVolume(const VtcGrid& grid)
    : grid_(grid), labels_(0, grid.dimX - 1, 0, grid.dimY - 1, 0, grid.dimZ - 1) {
    for (int x = 0; x < grid_.dimX; ++x)
        for (int y = 0; y < grid_.dimY; ++y) std::fill(labels_[x][y], labels_[x][y] + grid_.dimZ, 0);
}

unsigned char LabelVolume::atIndex(int linear) const {
    const int x = linear % grid_.dimX;
    const int y = (linear / grid_.dimX) % grid_.dimY;
    const int z = linear / (grid_.dimX * grid_.dimY);
    return labels_[x][y][z];
}

void LabelVolume::paintVoi(const int* voxels, int count, int convention, unsigned char label) {
    for (int i = 0; i < count; ++i) {
        const VmrPoint p = voiVoxelToVmr(voxels + 3 * i, convention);
        const int x = gridCell(p.x, grid_.xStart, grid_.resolution, grid_.dimX);
        const int y = gridCell(p.y, grid_.yStart, grid_.resolution, grid_.dimY);
        const int z = gridCell(p.z, grid_.zStart, grid_.resolution, grid_.dimZ);
        labels_[x][y][z] = label;
    }
}

void LabelVolume::copyMask(const unsigned char* mask) {
    for (int z = 0; z < grid_.dimZ; ++z)
        for (int y = 0; y < grid_.dimY; ++y)
            for (int x = 0; x < grid_.dimX; ++x) labels_[x][y][z] = mask[grid_.linearIndex(x, y, z)];
}

std::vector<int> LabelVolume::selectedVoxels() const {
    std::vector<int> selected;
    for (int z = 0; z < grid_.dimZ; ++z)
        for (int y = 0; y < grid_.dimY; ++y)
            for (int x = 0; x < grid_.dimX; ++x)
                if (labels_[x][y][z] != 0) selected.push_back(grid_.linearIndex(x, y, z));
    return selected;
}

}  // namespace latency::core
