#include "granger/core/geweke.h"

#include <cfloat>
#include <cmath>

namespace granger::core {

void detrend(const float* x, int n, float* out) {
    double mean = 0.0;
    for (int i = 0; i < n; ++i) mean += x[i];
    mean /= n;
    double stt = 0.0, stx = 0.0;
    const double step = 1.0 / (n - 1);
    for (int i = 0; i < n; ++i) {
        const double tau = i * step - 0.5;
        stt += tau * tau;
        stx += tau * (x[i] - mean);
    }
    const double slope = stt > 0.0 ? stx / stt : 0.0;
    for (int i = 0; i < n; ++i) out[i] = static_cast<float>(x[i] - mean - slope * (i * step - 0.5));
}

void autocovariances(const float* x, int n, int p, double* gamma) {
    for (int k = 0; k <= p; ++k) {
        double s = 0.0;
        for (int t = k; t < n; ++t) s += static_cast<double>(x[t]) * x[t - k];
        gamma[k] = s / n;
    }
}

void addLagCovariances(const float* ref, const float* vox, int n, LagCovariances& sums) {
    const int p = sums.order;
    for (int k = 0; k <= p; ++k) {
        double rr = 0.0, rv = 0.0, vr = 0.0, vv = 0.0;
        for (int t = k; t < n; ++t) {
            rr += static_cast<double>(ref[t]) * ref[t - k];
            rv += static_cast<double>(ref[t]) * vox[t - k];
            vr += static_cast<double>(vox[t]) * ref[t - k];
            vv += static_cast<double>(vox[t]) * vox[t - k];
        }
        double* g = &sums.g[static_cast<std::size_t>(4 * k)];
        g[0] += rr / n;
        g[1] += rv / n;
        g[2] += vr / n;
        g[3] += vv / n;
    }
}

bool choleskyInPlace(float* a, int m) {
    for (int j = 0; j < m; ++j) {
        const float diag = a[j * m + j];
        float d = diag;
        for (int k = 0; k < j; ++k) d -= a[j * m + k] * a[j * m + k];
        // A pivot lost to rounding is as singular as a negative one.
        if (!(d > 16.0f * FLT_EPSILON * std::fabs(diag))) return false;
        const float l = std::sqrt(d);
        a[j * m + j] = l;
        for (int i = j + 1; i < m; ++i) {
            float s = a[i * m + j];
            for (int k = 0; k < j; ++k) s -= a[i * m + k] * a[j * m + k];
            a[i * m + j] = s / l;
        }
        for (int i = 0; i < j; ++i) a[i * m + j] = 0.0f;
    }
    return true;
}

namespace {

// Residual variance of the univariate model of series `v`: the last pivot of
// the Cholesky factor of its (p+1) x (p+1) autocovariance Toeplitz matrix.
bool univariateResidual(const LagCovariances& c, int v, float& variance) {
    const int p = c.order;
    const int m = p + 1;
    float t[(kMaxOrder + 1) * (kMaxOrder + 1)];
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b) t[a * m + b] = static_cast<float>(c.at(a > b ? a - b : b - a, v, v));
    if (!choleskyInPlace(t, m)) return false;
    const float l = t[m * m - 1];
    variance = l * l;
    return true;
}

}  // namespace

bool gewekeMeasures(const LagCovariances& c, GewekeMeasures& out) {
    const int p = c.order;
    const int m = 2 * (p + 1);
    // Block Toeplitz matrix of (X_{t-p}, ..., X_{t-1}, X_t); the Cholesky
    // factor's last 2 x 2 block is the factor of the bivariate model's
    // residual covariance (the Schur complement of the lagged block).
    float t[4 * (kMaxOrder + 1) * (kMaxOrder + 1)];
    for (int a = 0; a <= p; ++a)
        for (int b = 0; b <= p; ++b)
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j) {
                    const double v = a >= b ? c.at(a - b, i, j) : c.at(b - a, j, i);
                    t[(2 * a + i) * m + 2 * b + j] = static_cast<float>(v);
                }
    if (!choleskyInPlace(t, m)) return false;
    const float lrr = t[(m - 2) * m + m - 2];
    const float lvr = t[(m - 1) * m + m - 2];
    const float lvv = t[(m - 1) * m + m - 1];
    const float sigmaRR = lrr * lrr;
    const float sigmaVV = lvr * lvr + lvv * lvv;
    const float detSigma = (lrr * lvv) * (lrr * lvv);
    float varRef = 0.0f, varVox = 0.0f;
    if (!univariateResidual(c, 0, varRef) || !univariateResidual(c, 1, varVox)) return false;
    out.ref2vox = std::log(varVox / sigmaVV);
    out.vox2ref = std::log(varRef / sigmaRR);
    out.inst = std::log(sigmaRR * sigmaVV / detSigma);
    return true;
}

bool fitUnivariateAR(const double* gamma, int p, std::vector<float>& a, float& residualVariance) {
    float r[kMaxOrder * kMaxOrder];
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) r[i * p + j] = static_cast<float>(gamma[i > j ? i - j : j - i]);
    if (!choleskyInPlace(r, p)) return false;
    // Solve L L^T a = gamma(1..p).
    std::vector<float> y(static_cast<std::size_t>(p));
    for (int i = 0; i < p; ++i) {
        float s = static_cast<float>(gamma[i + 1]);
        for (int k = 0; k < i; ++k) s -= r[i * p + k] * y[static_cast<std::size_t>(k)];
        y[static_cast<std::size_t>(i)] = s / r[i * p + i];
    }
    a.assign(static_cast<std::size_t>(p), 0.0f);
    for (int i = p - 1; i >= 0; --i) {
        float s = y[static_cast<std::size_t>(i)];
        for (int k = i + 1; k < p; ++k) s -= r[k * p + i] * a[static_cast<std::size_t>(k)];
        a[static_cast<std::size_t>(i)] = s / r[i * p + i];
    }
    double v = gamma[0];
    for (int i = 0; i < p; ++i) v -= static_cast<double>(a[static_cast<std::size_t>(i)]) * gamma[i + 1];
    if (!(v > 0.0)) return false;
    residualVariance = static_cast<float>(v);
    return true;
}

}  // namespace granger::core
