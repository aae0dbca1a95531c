// Values that are not finite numbers (NaN, infinities) in data to resample.
// The cubic spline's prefilter couples every voxel of a volume to every
// other, so one such value would turn a whole resampled volume into NaN.
#pragma once

#include "distortion/core/containers.h"

#include <cstddef>
#include <vector>

namespace distortion::core {

std::size_t countNonFinite(const Volume& v);

// Cubic resampling (as undistortCubic) that keeps the damage of non-finite
// source values local: they count as 0 for the spline, and every output
// voxel whose sample position lies next to one of them along y (either
// linear neighbour with a nonzero weight) is NaN.
Volume undistortCubicKeepingNonFiniteLocal(const Volume& src, const Volume& vdm, bool negate);

// The output voxels (indices into a volume of the map's dimensions) whose
// sample position lies next to a source voxel marked in `bad` along y: the
// ones that hold NaN after resampling with the non-finite values as 0.
std::vector<std::size_t> outputsNearNonFinite(const std::vector<bool>& bad, const Volume& vdm, bool negate);

}  // namespace distortion::core
