#pragma once
// One region's fits: its single trials (on request) and its response (the
// average trial, or the deconvolution betas of the chosen range), each with
// the curve fitted, the fitted trapezoid and the four measures. Plain data
// in, plain data out: nothing is written or logged here.

#include <vector>

#include "latency/core/trapezoid_fit.h"
#include "latency/core/trial_extraction.h"

namespace latency::core {

struct RegionFitOptions {
    bool singleTrial = false;
    bool returnToBaseline = true;
    // Fit the deconvolution betas firstPoint .. lastPoint (0-based), spaced
    // betaStep ms, instead of the average trial.
    bool useBetas = false;
    int firstPoint = 0;
    int lastPoint = 0;
    float betaStep = 0.0f;
};

struct FittedCurve {
    ResponseMeasures measures;
    std::vector<float> curve;   // the samples fitted
    std::vector<float> fitted;  // the fitted trapezoid, as long as curve (zeros for an unfittable curve)
};

struct RegionFit {
    std::vector<FittedCurve> trials;  // one per used trial, in single-trial mode only
    std::vector<float> averageTrial;  // the average trial, in every mode
    FittedCurve response;             // the average trial's fit, or the betas' fit
};

// Fits the region whose course `trials` extracted last; `betas` is its row
// of deconvolution betas (read only with options.useBetas). `out` is
// overwritten; passing the same object for every region reuses its storage.
void fitRegion(TrapezoidFitter& fitter, const TrialExtractor& trials, const float* betas,
               const RegionFitOptions& options, RegionFit& out);

}  // namespace latency::core
