// A faster equivalent of the local-optimisation trial loop for boxes of
// ones and ascending shifts (the schedule the plug-in uses).
#pragma once

#include "distortion/core/containers.h"

#include <vector>

namespace distortion::core {

bool fastStageApplies(const Volume& box, const std::vector<float>& shifts);

// Same contract as optimiseStageLiteral, except that the undistorted
// volumes are left as they were.
void optimiseStageFast(const Volume& vdm, const Volume& srcAp, const Volume& srcPa, const Volume& apUndist,
                       const Volume& paUndist, const Volume& box, const std::vector<float>& shifts,
                       bool useSsd, Volume& newMap, Volume& weight, std::vector<int>* chosen = nullptr);

}  // namespace distortion::core
