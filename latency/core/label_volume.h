#pragma once
// The label volume: one byte per VTC voxel saying which region owns it
// (a 1-based VOI number, or a mask byte), and the scan of its selected
// voxels in linear order (z outermost, x innermost).

#include <vector>

#include "latency/numeric/offset_array_owners.h"

namespace latency::core {

// The VTC grid in anatomical (VMR) coordinates.
struct VtcGrid {
    int xStart = 0, yStart = 0, zStart = 0;
    int resolution = 1;
    int dimX = 0, dimY = 0, dimZ = 0;

    int voxelCount() const { return dimX * dimY * dimZ; }
    int linearIndex(int x, int y, int z) const { return (z * dimY + y) * dimX + x; }
};

// The grid cell of an anatomical coordinate on one axis:
// floor((coordinate - start) / resolution + 0.5) in single precision,
// clamped to 0 .. dim - 1.
int gridCell(int coordinate, int start, int resolution, int dim);

struct VmrPoint {
    int x, y, z;
};

// VMR coordinates of a stored VOI voxel (c0, c1, c2): in the reference
// (Talairach) convention 3, x = 128 - c1, y = 128 - c2, z = 128 - c0;
// otherwise the triple itself.
VmrPoint voiVoxelToVmr(const int* triple, int convention);

class LabelVolume {
public:
    // All labels 0. The grid must have positive dimensions.
    explicit LabelVolume(const VtcGrid& grid);

    const VtcGrid& grid() const { return grid_; }
    unsigned char at(int x, int y, int z) const { return labels_[x][y][z]; }
    unsigned char atIndex(int linear) const;

    // Writes `label` into the cell of every voxel of a VOI's list (three ints
    // per voxel); a later VOI overwrites an earlier one.
    void paintVoi(const int* voxels, int count, int convention, unsigned char label);
    // Copies a mask of one byte per VTC voxel, x fastest, then y, then z.
    void copyMask(const unsigned char* mask);

    // Linear indices of the voxels with a nonzero label, in linear order.
    std::vector<int> selectedVoxels() const;

private:
    VtcGrid grid_;
    numeric::ByteArray3D labels_;
};

}  // namespace latency::core
