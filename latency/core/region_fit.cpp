#include "latency/core/region_fit.h"

#include "latency/core/curve_fit.h"

namespace latency::core {
namespace {

void fitCurve(TrapezoidFitter& fitter, const float* y, int n, bool usable, float dt, bool returnToBaseline,
              TrapezoidFit& workspace, FittedCurve& out) {
    out.measures = fitResponse(fitter, y, n, usable, dt, returnToBaseline, workspace);
    out.curve.assign(y, y + (n > 0 ? n : 0));
    out.fitted.assign(workspace.fitted.begin(), workspace.fitted.end());
}

}  // namespace

void fitRegion(TrapezoidFitter& fitter, const TrialExtractor& trials, const float* betas,
               const RegionFitOptions& options, RegionFit& out) {
    TrapezoidFit workspace;
    const float dt = trials.samplingStep();

    out.trials.resize(options.singleTrial ? static_cast<std::size_t>(trials.trialCount()) : 0);
    for (std::size_t j = 0; j < out.trials.size(); ++j) {
        const int trial = static_cast<int>(j);
        fitCurve(fitter, trials.trialCurve(trial), trials.fitLength(trial), trials.trialUsable(trial), dt,
                 options.returnToBaseline, workspace, out.trials[j]);
    }

    out.averageTrial.assign(trials.averageCurve(), trials.averageCurve() + trials.averageLength());
    if (!options.useBetas) {
        fitCurve(fitter, trials.averageCurve(), trials.averageLength(), trials.averageUsable(), dt,
                 options.returnToBaseline, workspace, out.response);
        return;
    }
    const int n = options.lastPoint - options.firstPoint + 1;
    std::vector<float> response(static_cast<std::size_t>(n > 0 ? n : 0));
    if (n > 0) betaResponse(betas, options.firstPoint, options.lastPoint, response.data());
    fitCurve(fitter, response.data(), n, true, options.betaStep, options.returnToBaseline, workspace,
             out.response);
}

}  // namespace latency::core
