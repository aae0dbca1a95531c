#pragma once
// One response curve to its four measures: the trapezoid fit when the curve
// can be fitted, a bad fit otherwise.

#include "latency/core/trapezoid_fit.h"

namespace latency::core {

// Fits y[0 .. n-1] (sampling step dt ms). A curve that is not usable (its
// baseline had no fractional change) or has fewer than 4 samples is a bad
// fit whose fitted curve is n zeros. The fitter keeps its workspace, so
// repeated fits allocate nothing once n stops growing.
ResponseMeasures fitResponse(TrapezoidFitter& fitter, const float* y, int n, bool usable, float dt,
                             bool returnToBaseline, TrapezoidFit& fit);

}  // namespace latency::core
