// The literal breakpoint search: every set 0 <= i1 < i2 < i3 < i4 <= n-1 is
// scored by building its model curve. It costs C(n, 4) * n steps and keeps
// per-set arrays of C(n, 4) entries, so it serves as the reference that the
// fast search is checked and timed against.

#include <vector>

#include "latency/numeric/offset_array_owners.h"
#include "latency/core/trapezoid_fit.h"
#include "latency/core/trapezoid_model.h"

namespace latency::core {

TrapezoidFit fitTrapezoidReference(const float* y, int n) {
    trapezoid::requireBreakpointSets(n);
    std::vector<float> z(static_cast<std::size_t>(n));
    const trapezoid::Normalisation norm = trapezoid::normalise(y, n, z.data());
    TrapezoidFit fit;
    if (norm.degenerate) {
        trapezoid::finishFit(z.data(), n, norm, 0, 1, 2, 3, fit);
        return fit;
    }

    const long nl = n;
    const long sets = nl * (nl - 1) * (nl - 2) * (nl - 3) / 24;
    numeric::FloatVector error(0, sets - 1);
    numeric::IntVector b1(0, sets - 1);
    numeric::IntVector b2(0, sets - 1);
    numeric::IntVector b3(0, sets - 1);
    numeric::IntVector b4(0, sets - 1);
    numeric::FloatVector model(0, n - 1);

    long k = 0;
    for (int i1 = 0; i1 <= n - 4; ++i1)
        for (int i2 = i1 + 1; i2 <= n - 3; ++i2)
            for (int i3 = i2 + 1; i3 <= n - 2; ++i3)
                for (int i4 = i3 + 1; i4 <= n - 1; ++i4) {
                    error[k] = trapezoid::setError(z.data(), n, i1, i2, i3, i4, model.get());
                    b1[k] = i1;
                    b2[k] = i2;
                    b3[k] = i3;
                    b4[k] = i4;
                    ++k;
                }

    // Only a strictly smaller error replaces the best: ties keep the first set.
    long best = 0;
    for (long s = 1; s < sets; ++s)
        if (error[s] < error[best]) best = s;

    trapezoid::finishFit(z.data(), n, norm, b1[best], b2[best], b3[best], b4[best], fit);
    return fit;
}

}  // namespace latency::core
