// Geweke's decomposition of linear dependence between a reference and a
// voxel time course for bivariate autoregressive models of order p, from
// averaged lag covariances.
#pragma once

#include <algorithm>
#include <vector>

namespace granger::core {

// Largest autoregression order the settings allow.
constexpr int kMaxOrder = 20;

// Subtracts the mean and the least-squares linear trend on the centred ramp
// tau_i = i / (n - 1) - 0.5 (n >= 2).
void detrend(const float* x, int n, float* out);

// Lag covariances Gamma(k), k = 0..p, of the pair (reference = 0, voxel = 1):
// g[4k + 2i + j] = sum_{t=k}^{n-1} x_i(t) x_j(t-k) / n.
struct LagCovariances {
    int order = 0;
    std::vector<double> g;

    explicit LagCovariances(int p = 0) : order(p), g(static_cast<std::size_t>(4 * (p + 1)), 0.0) {}
    double at(int k, int i, int j) const { return g[static_cast<std::size_t>(4 * k + 2 * i + j)]; }
    void clear() { std::fill(g.begin(), g.end(), 0.0); }
    void scale(double f) {
        for (double& v : g) v *= f;
    }
};

// Adds the lag covariances of one interval (already detrended) to `sums`.
void addLagCovariances(const float* ref, const float* vox, int n, LagCovariances& sums);

// Autocovariances gamma(k) = sum_{t=k}^{n-1} x(t) x(t-k) / n, k = 0..p.
void autocovariances(const float* x, int n, int p, double* gamma);

struct GewekeMeasures {
    float ref2vox = 0.0f;
    float vox2ref = 0.0f;
    float inst = 0.0f;
};

// The three measures from averaged lag covariances. False when a covariance
// the solver factors is not positive definite (single-precision Cholesky).
bool gewekeMeasures(const LagCovariances& cov, GewekeMeasures& out);

// Univariate autoregressive model of order p from autocovariances gamma(0..p):
// coefficients a[0..p-1] (a_1..a_p) and the residual variance. False when the
// Toeplitz matrix is not positive definite.
bool fitUnivariateAR(const double* gamma, int p, std::vector<float>& a, float& residualVariance);

// Lower Cholesky factor of the symmetric m x m matrix `a` (row-major) in
// place, single precision. False on a pivot that is not positive within
// single-precision rounding of its diagonal.
bool choleskyInPlace(float* a, int m);

}  // namespace granger::core
