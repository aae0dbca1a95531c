#include "latency/core/trapezoid_fit.h"

namespace latency::core {
namespace {

// Latencies are reported with a constant 100 ms added.
float samplesToSeconds(int samples, float dt) {
    return (static_cast<float>(samples) * dt + 100.0f) / 1000.0f;
}

}  // namespace

ResponseMeasures responseMeasures(const TrapezoidFit& fit, float dt, bool returnToBaseline) {
    ResponseMeasures bad;
    if (fit.degenerate) return bad;

    const float rise = fit.level1 - fit.level0;
    const float range = fit.ymax - fit.ymin;
    const int timeToPeakSamples = (returnToBaseline ? fit.peak : fit.i3) - fit.i1 + 1;
    int onsetSamples = fit.i3;
    int widthSamples = fit.samples - fit.i3;
    if (rise > 0.0f) {
        onsetSamples = fit.i1;
        widthSamples = fit.i3 - fit.i1 + 1;
    }

    float amplitude = 0.0f;
    if (rise > 0.0f)
        amplitude = range * rise;
    else if (!returnToBaseline && rise < 0.0f)
        // A dip: the size of the recovery from the plateau to the return level.
        amplitude = (fit.level2 - fit.level1) * range;

    if (!(amplitude > 0.0f)) return bad;

    ResponseMeasures m;
    m.onset = samplesToSeconds(onsetSamples, dt);
    m.width = samplesToSeconds(widthSamples, dt);
    m.timeToPeak = samplesToSeconds(timeToPeakSamples, dt);
    m.amplitude = 100.0f * amplitude;
    m.badFit = false;
    return m;
}

}  // namespace latency::core
