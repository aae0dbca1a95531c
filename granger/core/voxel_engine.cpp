#include "granger/core/voxel_engine.h"

#include "granger/core/gcm_random.h"

#include <algorithm>
#include <cmath>

namespace granger::core {

VoxelEngine::VoxelEngine(int order, int nrOfSurrogates)
    : order_(order), nrOfSurrogates_(nrOfSurrogates), real_(order), null_(order) {}

void VoxelEngine::addInterval(int entry, int first, int last, const std::vector<float>& reference,
                              const std::vector<float>& surrogates, int surrogateLength) {
    Interval iv;
    iv.entry = entry;
    iv.first = first - 1;
    iv.n = last - first + 1;
    const std::size_t n = static_cast<std::size_t>(iv.n);
    const std::size_t lags = static_cast<std::size_t>(order_ + 1);
    iv.ref.resize(n);
    detrend(reference.data() + iv.first, iv.n, iv.ref.data());
    iv.refAuto.resize(lags);
    autocovariances(iv.ref.data(), iv.n, order_, iv.refAuto.data());
    iv.surr.resize(static_cast<std::size_t>(nrOfSurrogates_) * n);
    iv.surrAuto.resize(static_cast<std::size_t>(nrOfSurrogates_) * lags);
    for (int s = 0; s < nrOfSurrogates_; ++s) {
        float* out = iv.surr.data() + static_cast<std::size_t>(s) * n;
        detrend(surrogates.data() + static_cast<std::size_t>(s) * static_cast<std::size_t>(surrogateLength) +
                    iv.first,
                iv.n, out);
        autocovariances(out, iv.n, order_, iv.surrAuto.data() + static_cast<std::size_t>(s) * lags);
    }
    iv.tau.resize(n);
    double squares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        iv.tau[i] = static_cast<float>(static_cast<double>(i) / (iv.n - 1) - 0.5);
        squares += static_cast<double>(iv.tau[i]) * iv.tau[i];
    }
    iv.tauSquares = static_cast<float>(squares);
    if (voxel_.size() < n) voxel_.resize(n);
    intervals_.push_back(std::move(iv));
}

namespace {

constexpr int kLanes = 8;

// Sum of a[t] * b[t - k] for t = k..n-1, in kLanes independent single-
// precision partial sums (which the compiler keeps in vector registers),
// added up in double precision at the end.
struct LagSums {
    double rv, vr, sv, vs, vv;
};

LagSums lagSums(const float* r, const float* s, const float* v, int n, int k) {
    float rv[kLanes] = {}, vr[kLanes] = {}, sv[kLanes] = {}, vs[kLanes] = {}, vv[kLanes] = {};
    const int count = n - k;
    const int full = count / kLanes * kLanes;
    const float* r0 = r + k;
    const float* s0 = s + k;
    const float* v0 = v + k;
    for (int i = 0; i < full; i += kLanes) {
        for (int j = 0; j < kLanes; ++j) {
            const float vt = v0[i + j], vl = v[i + j];
            rv[j] += r0[i + j] * vl;
            vr[j] += vt * r[i + j];
            sv[j] += s0[i + j] * vl;
            vs[j] += vt * s[i + j];
            vv[j] += vt * vl;
        }
    }
    LagSums out{0, 0, 0, 0, 0};
    for (int j = 0; j < kLanes; ++j) {
        out.rv += rv[j];
        out.vr += vr[j];
        out.sv += sv[j];
        out.vs += vs[j];
        out.vv += vv[j];
    }
    for (int i = full; i < count; ++i) {
        const double vt = v0[i], vl = v[i];
        out.rv += r0[i] * vl;
        out.vr += vt * r[i];
        out.sv += s0[i] * vl;
        out.vs += vt * s[i];
        out.vv += vt * vl;
    }
    return out;
}

// Mean and ramp removal as detrend(), with the interval's ramp precomputed.
void detrendWithRamp(const float* x, int n, const float* tau, float tauSquares, float* out) {
    float sum[kLanes] = {}, dot[kLanes] = {}, spread[kLanes] = {};
    const int full = n / kLanes * kLanes;
    const float x0 = x[0];
    for (int i = 0; i < full; i += kLanes)
        for (int j = 0; j < kLanes; ++j) {
            sum[j] += x[i + j];
            dot[j] += tau[i + j] * x[i + j];
            spread[j] += std::fabs(x[i + j] - x0);
        }
    double s = 0, d = 0, spreadAll = 0;
    for (int j = 0; j < kLanes; ++j) {
        s += sum[j];
        d += dot[j];
        spreadAll += spread[j];
    }
    for (int i = full; i < n; ++i) {
        s += x[i];
        d += static_cast<double>(tau[i]) * x[i];
        spreadAll += std::fabs(x[i] - x0);
    }
    // A constant interval detrends to exact zeros, as in detrend(): the float
    // sums above would leave a rounding ramp that can pass for a signal.
    if (spreadAll == 0.0) {
        std::fill(out, out + n, 0.0f);
        return;
    }
    // The ramp sums to zero, so its slope needs no centred values.
    const float mean = static_cast<float>(s / n);
    const float slope = static_cast<float>(d / tauSquares);
    for (int i = 0; i < n; ++i) out[i] = x[i] - mean - slope * tau[i];
}

}  // namespace

VoxelEngine::Status VoxelEngine::compute(const float* const* voxelCourses, GewekeMeasures& real,
                                         GewekeMeasures& null) {
    real_.clear();
    null_.clear();
    const int p = order_;
    const std::size_t lags = static_cast<std::size_t>(p + 1);
    for (const Interval& iv : intervals_) {
        detrendWithRamp(voxelCourses[iv.entry] + iv.first, iv.n, iv.tau.data(), iv.tauSquares, voxel_.data());
        const std::size_t pick = static_cast<std::size_t>(gcmRand() % nrOfSurrogates_);
        const float* s = iv.surr.data() + pick * static_cast<std::size_t>(iv.n);
        const double* sAuto = iv.surrAuto.data() + pick * lags;
        const double inv = 1.0 / iv.n;
        for (int k = 0; k <= p; ++k) {
            const LagSums m = lagSums(iv.ref.data(), s, voxel_.data(), iv.n, k);
            double* g = &real_.g[static_cast<std::size_t>(4 * k)];
            g[0] += iv.refAuto[static_cast<std::size_t>(k)];
            g[1] += m.rv * inv;
            g[2] += m.vr * inv;
            g[3] += m.vv * inv;
            double* h = &null_.g[static_cast<std::size_t>(4 * k)];
            h[0] += sAuto[k];
            h[1] += m.sv * inv;
            h[2] += m.vs * inv;
            h[3] += m.vv * inv;
        }
    }
    const double w = 1.0 / static_cast<double>(intervals_.size());
    real_.scale(w);
    null_.scale(w);
    if (!gewekeMeasures(real_, real)) {
        real = GewekeMeasures{};
        null = GewekeMeasures{};
        return Status::IllDefined;
    }
    if (!gewekeMeasures(null_, null)) {
        null = GewekeMeasures{};
        return Status::SurrogateIllDefined;
    }
    return Status::Computed;
}

}  // namespace granger::core
