#include "latency/numeric/linear_ramp.h"

namespace latency::numeric {

void linearRamp(float* out, float start, float end, int m) {
    if (m < 1) return;
    if (m < 2) {
        out[0] = end;
        return;
    }
    const float span = end - start;
    const float intervals = static_cast<float>(m - 1);
    for (int k = 0; k < m - 1; ++k) out[k] = start + static_cast<float>(k) * span / intervals;
    // start + (end - start) need not round back to end; the ends are exact.
    out[m - 1] = end;
}

}  // namespace latency::numeric
