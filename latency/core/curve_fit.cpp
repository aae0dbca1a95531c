#include "latency/core/curve_fit.h"

#include <algorithm>

namespace latency::core {

ResponseMeasures fitResponse(TrapezoidFitter& fitter, const float* y, int n, bool usable, float dt,
                             bool returnToBaseline, TrapezoidFit& fit) {
    if (!usable || n < 4) {
        fit.samples = std::max(n, 0);
        fit.fitted.assign(static_cast<std::size_t>(fit.samples), 0.0f);
        return ResponseMeasures{};
    }
    fitter.fit(y, n, fit);
    return responseMeasures(fit, dt, returnToBaseline);
}

}  // namespace latency::core
