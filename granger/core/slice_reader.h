// The data of one VTC as the computation reads it: whole slices for the
// voxel loop, single voxels for the reference time courses. The core never
// opens a file; the plug-in hands it readers over the files it opened.
#pragma once

#include <cstddef>
#include <vector>

namespace granger::core {

class SliceReader {
public:
    virtual ~SliceReader() = default;
    virtual int volumes() const = 0;
    // Slice z: dimX * dimY time courses of volumes() values each, voxel after voxel. False on a short read.
    virtual bool readSlice(int z, std::vector<float>& values) = 0;
    // The time course of one voxel (x fastest, then y, then z) into `values` (volumes() values).
    virtual bool readTimeCourse(std::size_t voxel, float* values) = 0;
};

}  // namespace granger::core
