// Functional grids for tests, written as a start corner and a size in cells.
#pragma once

#include "host/formats/format_io.h"

namespace test_support {

// A grid of `cells` voxels per axis of `resolution` anatomical voxels each,
// starting at (x, y, z).
inline talvora::formats::FunctionalGrid functionalGrid(int resolution, int x, int y, int z, int cellsX,
                                                       int cellsY, int cellsZ) {
    talvora::formats::FunctionalGrid g;
    g.resolution = resolution;
    g.xStart = x;
    g.xEnd = x + cellsX * resolution;
    g.yStart = y;
    g.yEnd = y + cellsY * resolution;
    g.zStart = z;
    g.zEnd = z + cellsZ * resolution;
    return g;
}

}  // namespace test_support
