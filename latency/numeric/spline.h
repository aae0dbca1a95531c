#pragma once
// Cubic spline interpolation in single precision (knots x[0 .. n-1],
// strictly increasing).

namespace latency::numeric {

// End slope that selects the natural condition (second derivative 0);
// any slope above 0.99e30 does.
constexpr float kNaturalEndSlope = 1e30f;

// Second derivatives y2[0 .. n-1] of the spline through (x[i], y[i]). yp1 and
// ypn are the first derivatives imposed at the ends, or natural ends when
// above 0.99e30. n < 2 gives y2 = 0.
void splineSecondDerivatives(const float* x, const float* y, int n, float yp1, float ypn, float* y2);

// Spline value at t, for x[0] <= t < x[n-1] (outside, the end cubic is
// extrapolated). n >= 2.
float splineValue(const float* x, const float* y, const float* y2, int n, float t);

// Number of points resampleSpline writes: (n - 1) * factor + 1, 0 for n < 1.
int resampledCount(int n, int factor);

// Natural-spline resampling with `factor` points per interval: for every
// interval j and k = 0 .. factor-1 the time x[j] + (x[j+1] - x[j]) * k / factor
// and its value, then the last knot unchanged. Writes resampledCount(n,
// factor) entries to times and values and returns that count. Throws
// std::invalid_argument when factor < 1.
int resampleSpline(const float* x, const float* y, int n, int factor, float* times, float* values);

}  // namespace latency::numeric
