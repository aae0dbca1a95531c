// Surrogate reference time courses: series simulated from a univariate
// autoregressive model of the real reference.
#pragma once

#include <vector>

namespace granger::core {

// Standard normal numbers by the polar method from the process-wide
// generator: `count` values; an odd last value takes the first of a fresh pair.
void polarNormals(int count, float* out);

// Simulates `nrOfSeries` series of `length` values each (row-major) from the
// AR(p) model a[0..p-1], residual variance `variance`: series s reseeds the
// generator with clock + s, draws discarded + length normals, scales by
// sqrt(variance), runs the recursion from t = p and drops the first
// `discarded` values.
std::vector<float> simulateSurrogates(const std::vector<float>& a, float variance, int nrOfSeries, int length,
                                      int discarded, long long clockSeconds);

}  // namespace granger::core
