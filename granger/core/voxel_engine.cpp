#include "granger/core/voxel_engine.h"

#include "granger/core/gcm_random.h"

namespace granger {

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
    detrend(surrogates.data() + static_cast<std::size_t>(s) * static_cast<std::size_t>(surrogateLength) + iv.first,
            iv.n, out);
    autocovariances(out, iv.n, order_, iv.surrAuto.data() + static_cast<std::size_t>(s) * lags);
  }
  if (voxel_.size() < n) voxel_.resize(n);
  intervals_.push_back(std::move(iv));
}

namespace {

// Adds Gamma(k) of (reference, voxel) given the reference's autocovariances.
void addCross(const float* r, const double* rAuto, const float* v, const double* vAuto, int n, int p,
              LagCovariances& sums) {
  const double inv = 1.0 / n;
  for (int k = 0; k <= p; ++k) {
    double rv = 0.0, vr = 0.0;
    for (int t = k; t < n; ++t) {
      rv += r[t] * v[t - k];
      vr += v[t] * r[t - k];
    }
    double* g = &sums.g[static_cast<std::size_t>(4 * k)];
    g[0] += rAuto[k];
    g[1] += rv * inv;
    g[2] += vr * inv;
    g[3] += vAuto[k];
  }
}

} // namespace

VoxelEngine::Status VoxelEngine::compute(const float* const* voxelCourses, GewekeMeasures& real,
                                         GewekeMeasures& null) {
  real_.clear();
  null_.clear();
  const int p = order_;
  double vAuto[kMaxOrder + 1];
  const std::size_t lags = static_cast<std::size_t>(p + 1);
  for (const Interval& iv : intervals_) {
    detrend(voxelCourses[iv.entry] + iv.first, iv.n, voxel_.data());
    autocovariances(voxel_.data(), iv.n, p, vAuto);
    addCross(iv.ref.data(), iv.refAuto.data(), voxel_.data(), vAuto, iv.n, p, real_);
    const std::size_t s = static_cast<std::size_t>(gcmRand() % nrOfSurrogates_);
    addCross(iv.surr.data() + s * static_cast<std::size_t>(iv.n), iv.surrAuto.data() + s * lags, voxel_.data(),
             vAuto, iv.n, p, null_);
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

} // namespace granger
