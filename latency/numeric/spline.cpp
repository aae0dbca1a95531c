#include "latency/numeric/spline.h"

#include <stdexcept>

#include "latency/numeric/offset_array_owners.h"

namespace latency::numeric {
namespace {
constexpr float kNaturalThreshold = 0.99e30f;

// The cubic on [x[k], x[k+1]] at t; every evaluation goes through here so
// that all of them round alike.
inline float cubicOnInterval(const float* x, const float* y, const float* y2, int k, float t) {
    const float h = x[k + 1] - x[k];
    const float a = (x[k + 1] - t) / h;
    const float b = (t - x[k]) / h;
    return a * y[k] + b * y[k + 1] + ((a * a * a - a) * y2[k] + (b * b * b - b) * y2[k + 1]) * (h * h) / 6.0f;
}

// The interval splineValue's search from the top finds (the largest k >= 1
// with x[k] <= t, else 0, at most n - 2), found by walking from a nearby
// guess. For non-decreasing knots the indices with x[k] <= t form a prefix,
// so the walk ends where the search from the top does, in a few steps
// instead of up to n.
inline int intervalNear(const float* x, int n, float t, int guess) {
    int k = guess;
    while (k < n - 1 && !(x[k + 1] > t)) ++k;
    while (k > 0 && x[k] > t) --k;
    return k > n - 2 ? n - 2 : k;
}

}  // namespace

void splineSecondDerivatives(const float* x, const float* y, int n, float yp1, float ypn, float* y2) {
    if (n < 2) {
        if (n == 1) y2[0] = 0.0f;
        return;
    }
    // u holds the forward-eliminated right-hand sides of the tridiagonal system.
    FloatVector u(0, n - 2);

    if (yp1 > kNaturalThreshold) {
        y2[0] = 0.0f;
        u[0] = 0.0f;
    } else {
        const float h = x[1] - x[0];
        y2[0] = -0.5f;
        u[0] = (3.0f / h) * ((y[1] - y[0]) / h - yp1);
    }
    for (int i = 1; i < n - 1; ++i) {
        const float sig = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
        const float p = sig * y2[i - 1] + 2.0f;
        y2[i] = (sig - 1.0f) / p;
        const float slopeJump = (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        u[i] = (6.0f * slopeJump / (x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    float qn = 0.0f;
    float un = 0.0f;
    if (!(ypn > kNaturalThreshold)) {
        const float h = x[n - 1] - x[n - 2];
        qn = 0.5f;
        un = (3.0f / h) * (ypn - (y[n - 1] - y[n - 2]) / h);
    }
    y2[n - 1] = (un - qn * u[n - 2]) / (qn * y2[n - 2] + 1.0f);
    for (int k = n - 2; k >= 0; --k) y2[k] = y2[k] * y2[k + 1] + u[k];
}

float splineValue(const float* x, const float* y, const float* y2, int n, float t) {
    // Linear search from the top for the interval [x[k], x[k+1]] holding t.
    int k = n - 1;
    while (k > 0 && x[k] > t) --k;
    if (k > n - 2) k = n - 2;
    return cubicOnInterval(x, y, y2, k, t);
}

int resampledCount(int n, int factor) {
    return n < 1 ? 0 : (n - 1) * factor + 1;
}

int resampleSpline(const float* x, const float* y, int n, int factor, float* times, float* values) {
    if (factor < 1) throw std::invalid_argument("resampleSpline: factor must be at least 1");
    if (n < 1) return 0;
    FloatVector y2(0, n - 1);
    splineSecondDerivatives(x, y, n, kNaturalEndSlope, kNaturalEndSlope, y2.get());
    int out = 0;
    if (n >= 2) {
        for (int j = 0; j < n - 1; ++j) {
            for (int k = 0; k < factor; ++k) {
                const float t = x[j] + (x[j + 1] - x[j]) * static_cast<float>(k) / static_cast<float>(factor);
                times[out] = t;
                // t lies in interval j (up to rounding), so the interval
                // search starts there rather than at the top.
                values[out] = cubicOnInterval(x, y, y2.get(), intervalNear(x, n, t, j), t);
                ++out;
            }
        }
    }
    times[out] = x[n - 1];
    values[out] = y[n - 1];
    return out + 1;
}

}  // namespace latency::numeric
