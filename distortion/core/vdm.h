// Applying a voxel displacement map (displacements in voxels along y):
// resampling U(x, y, z) = V(x, y + D(x, y, z), z), or y - D when negated.
#pragma once

#include "distortion/core/containers.h"
#include "distortion/core/distance.h"

#include <vector>

namespace distortion::core {

// Cubic B-spline resampling of a whole volume.
Volume undistortCubic(const Volume& src, const Volume& vdm, bool negate);

// Trilinear resampling; neighbours outside the volume contribute 0.
void undistortLinear(Volume& dst, const Volume& src, const Volume& vdm, bool negate);

// Linear resampling along y of the listed voxels only, with displacement
// shift * box(q) + D(p); positions whose row falls outside keep their value.
void undistortLocal(Volume& dst, const Volume& src, const Volume& vdm, const std::vector<Position>& positions,
                    const std::vector<Position>& boxCoordinates, const Volume& box, float shift, bool negate);

// Linear sampling of a column at a real position; outside counts as 0.
float sampleColumn(const float* v, int n, float t);

// Central differences along y; first and last rows 0.
Volume yDerivative(const Volume& vdm);

// The map resampled onto a grid of other dimensions (same field of view);
// the displacement values are not rescaled.
Volume resizeMap(const Dimensions& dst, const Volume& vdm);
void resizeMap(Volume& dst, const Volume& src);

// Column by column, the map that undoes `vdm`; rows without a bracketing
// pair of forward positions get 0.
Volume inverseMap(const Volume& vdm);

// B-spline coefficients of the volume (along z, then y, then x), exposed for
// tests.
std::vector<double> bsplineCoefficients(const Volume& src);

}  // namespace distortion::core
