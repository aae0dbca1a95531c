#include "latency/core/trapezoid_model.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "latency/numeric/linear_ramp.h"
#include "latency/numeric/statistics.h"

namespace latency::core::trapezoid {

Normalisation normalise(const float* y, int n, float* z) {
    Normalisation norm;
    norm.ymax = y[0];
    for (int i = 0; i < n; ++i) {
        if (y[i] > norm.ymax) {
            norm.ymax = y[i];
            norm.peak = i;
        }
    }
    norm.ymin = y[0];
    for (int i = 0; i < norm.peak; ++i)
        if (y[i] < norm.ymin) norm.ymin = y[i];

    const float range = norm.ymax - norm.ymin;
    norm.degenerate = !(range > 0.0f && std::isfinite(range));
    for (int i = 0; i < n; ++i) {
        z[i] = norm.degenerate ? 0.0f : (y[i] - norm.ymin) / range;
        if (!(std::fabs(z[i]) <= kMaxNormalisedMagnitude)) norm.degenerate = true;
    }
    return norm;
}

Levels levelsOf(const float* z, int n, int i1, int i2, int i3, int i4) {
    using numeric::mean;
    return {mean(z, i1 + 1), mean(z + i2, i3 - i2 + 1), mean(z + i4, n - i4)};
}

void writeModel(float* g, int n, int i1, int i2, int i3, int i4, const Levels& levels) {
    for (int i = 0; i <= i1; ++i) g[i] = levels.base;
    for (int i = i2; i <= i3; ++i) g[i] = levels.plateau;
    for (int i = i4; i < n; ++i) g[i] = levels.back;
    numeric::linearRamp(g + i1, levels.base, levels.plateau, i2 - i1 + 1);
    numeric::linearRamp(g + i3, levels.plateau, levels.back, i4 - i3 + 1);
}

float setError(const float* z, int n, int i1, int i2, int i3, int i4, float* g) {
    writeModel(g, n, i1, i2, i3, i4, levelsOf(z, n, i1, i2, i3, i4));
    float error = 0.0f;
    for (int i = 0; i < n; ++i) {
        const double d = g[i] - z[i];
        error = static_cast<float>(error + d * d);
    }
    return error;
}

void finishFit(const float* z, int n, const Normalisation& norm, int i1, int i2, int i3, int i4,
               TrapezoidFit& out) {
    out.samples = n;
    out.peak = norm.peak;
    out.ymax = norm.ymax;
    out.ymin = norm.ymin;
    out.degenerate = norm.degenerate;
    out.fitted.assign(static_cast<std::size_t>(n), norm.ymin);
    if (norm.degenerate) {
        out.i1 = 0;
        out.i2 = 1;
        out.i3 = 2;
        out.i4 = 3;
        out.level0 = out.level1 = out.level2 = 0.0f;
        return;
    }
    out.i1 = i1;
    out.i2 = i2;
    out.i3 = i3;
    out.i4 = i4;
    const Levels normalised = levelsOf(z, n, i1, i2, i3, i4);
    out.level0 = normalised.base;
    out.level1 = normalised.plateau;
    out.level2 = normalised.back;
    const float range = norm.ymax - norm.ymin;
    const Levels own = {norm.ymin + range * normalised.base, norm.ymin + range * normalised.plateau,
                        norm.ymin + range * normalised.back};
    writeModel(out.fitted.data(), n, i1, i2, i3, i4, own);
}

void requireBreakpointSets(int n) {
    if (n < 4)
        throw std::invalid_argument("trapezoid fit needs at least 4 samples, got " + std::to_string(n));
}

}  // namespace latency::core::trapezoid
