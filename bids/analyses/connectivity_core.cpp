#include "bids/analyses/connectivity_core.h"

#include <Eigen/LU>

#include <algorithm>
#include <cmath>
#include <set>

namespace bids::analyses::connectivity {

std::vector<long long> labelsAtVoxelCentres(const std::vector<long long>& atlasLabels, const Grid& atlas,
                                            const Grid& run) {
    const Eigen::Matrix4d runToAtlas = atlas.affine.inverse() * run.affine;
    std::vector<long long> labels;
    labels.reserve(static_cast<std::size_t>(run.size[0] * run.size[1] * run.size[2]));
    for (std::int64_t z = 0; z < run.size[2]; ++z)
        for (std::int64_t y = 0; y < run.size[1]; ++y)
            for (std::int64_t x = 0; x < run.size[0]; ++x) {
                const Eigen::Vector4d p = runToAtlas * Eigen::Vector4d(double(x), double(y), double(z), 1.0);
                std::int64_t index[3];
                bool inside = true;
                // Nearest voxel as the atlas conversion picks it: halves round up.
                for (int a = 0; a < 3; ++a) {
                    const double nearest = std::floor(p[a] + 0.5);
                    inside = inside && nearest >= 0.0 && nearest < double(atlas.size[a]);
                    index[a] = inside ? static_cast<std::int64_t>(nearest) : 0;
                }
                labels.push_back(inside
                                     ? atlasLabels[static_cast<std::size_t>(
                                           (index[2] * atlas.size[1] + index[1]) * atlas.size[0] + index[0])]
                                     : 0);
            }
    return labels;
}

std::vector<std::size_t> conditionVolumes(const std::vector<Event>& events, double trSeconds,
                                          std::size_t volumes, double delaySeconds) {
    std::set<std::size_t> chosen;
    for (const Event& event : events) {
        const double start = event.start + delaySeconds;
        const double end = event.end + delaySeconds;
        for (std::size_t t = 0; t < volumes; ++t) {
            const double from = double(t) * trSeconds;
            const double to = double(t + 1) * trSeconds;
            const bool overlaps = end > start ? from < end && to > start : from <= start && start < to;
            if (overlaps) chosen.insert(t);
        }
    }
    return {chosen.begin(), chosen.end()};
}

Eigen::VectorXd regionMeans(const std::vector<float>& volume,
                            const std::vector<std::vector<std::size_t>>& regionVoxels) {
    Eigen::VectorXd means(static_cast<Eigen::Index>(regionVoxels.size()));
    for (std::size_t r = 0; r < regionVoxels.size(); ++r) {
        double sum = 0.0;
        for (std::size_t voxel : regionVoxels[r]) {
            const float value = volume[voxel];
            if (!std::isfinite(value)) throw NonFiniteValue(r, voxel);
            sum += value;
        }
        means[static_cast<Eigen::Index>(r)] = sum / double(regionVoxels[r].size());
    }
    return means;
}

Eigen::MatrixXd centredRows(const Eigen::MatrixXd& series, const std::vector<std::size_t>& volumes) {
    Eigen::MatrixXd rows(static_cast<Eigen::Index>(volumes.size()), series.cols());
    for (std::size_t i = 0; i < volumes.size(); ++i)
        rows.row(static_cast<Eigen::Index>(i)) = series.row(static_cast<Eigen::Index>(volumes[i]));
    if (rows.rows() > 0) rows.rowwise() -= rows.colwise().mean();
    return rows;
}

Eigen::MatrixXd stackRows(const std::vector<Eigen::MatrixXd>& blocks) {
    Eigen::Index rows = 0;
    for (const auto& block : blocks) rows += block.rows();
    Eigen::MatrixXd stacked(rows, blocks.empty() ? 0 : blocks.front().cols());
    Eigen::Index at = 0;
    for (const auto& block : blocks) {
        stacked.middleRows(at, block.rows()) = block;
        at += block.rows();
    }
    return stacked;
}

std::ptrdiff_t firstConstantColumn(const Eigen::MatrixXd& samples) {
    for (Eigen::Index c = 0; c < samples.cols(); ++c)
        if ((samples.col(c).array() == samples(0, c)).all()) return c;
    return -1;
}

Eigen::MatrixXd pearsonMatrix(const Eigen::MatrixXd& samples) {
    if (samples.rows() < 2) throw std::invalid_argument("a correlation needs at least two samples");
    const Eigen::MatrixXd centred = samples.rowwise() - samples.colwise().mean();
    const Eigen::MatrixXd products = centred.transpose() * centred;
    const Eigen::Index n = samples.cols();
    for (Eigen::Index c = 0; c < n; ++c)
        if (!(products(c, c) > 0.0)) throw ConstantRegion(static_cast<std::size_t>(c));
    Eigen::MatrixXd r(n, n);
    for (Eigen::Index i = 0; i < n; ++i)
        for (Eigen::Index j = 0; j < n; ++j)
            r(i, j) =
                i == j ? 1.0
                       : std::clamp(products(i, j) / std::sqrt(products(i, i) * products(j, j)), -1.0, 1.0);
    return r;
}

}  // namespace bids::analyses::connectivity
