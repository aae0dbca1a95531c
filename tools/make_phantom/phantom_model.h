// A head-like phantom with a known susceptibility displacement field along
// the phase-encoding axis, and the forward model of the two series.
#pragma once

#include <vector>

namespace phantom {

struct Grid {
    int nx = 0, ny = 0, nz = 0;
    std::size_t size() const { return static_cast<std::size_t>(nx) * ny * nz; }
    std::size_t index(int x, int y, int z) const { return (static_cast<std::size_t>(z) * ny + y) * nx + x; }
};

// The undistorted image at a real position (voxels), with tissue classes:
// background 0, scalp, skull (dark), grey matter, white matter, CSF.
float anatomy(const Grid& g, double x, double y, double z);
// Nonzero inside the head.
bool insideObject(const Grid& g, double x, double y, double z);

// The field in voxels along the phase-encoding axis (`axis` 1: y, 0: x),
// peaking at about `peak` voxels, and its derivative along that axis.
double field(const Grid& g, double x, double y, double z, double peak, int axis);
double fieldDerivative(const Grid& g, double x, double y, double z, double peak, int axis);

// One series: sampled at position + sign * field along the axis and scaled
// by 1 + sign * derivative; `gain` scales a time point.
std::vector<float> series(const Grid& g, double peak, int axis, int sign, float gain);

// The displacement D of the first (sign +1) series that undoes it:
// p + D + F(p + D) = p, solved by fixed-point iteration.
std::vector<float> trueDisplacement(const Grid& g, double peak, int axis);
std::vector<float> objectMask(const Grid& g);

}  // namespace phantom
