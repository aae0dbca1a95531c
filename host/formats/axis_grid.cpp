#include "host/formats/axis_grid.h"

#include <Eigen/LU>

#include <algorithm>
#include <cmath>

namespace talvora::formats {

namespace {

constexpr double kTolerance = 1e-4;  // voxels or millimetres

bool nearInteger(double v) {
    return std::abs(v - std::round(v)) < kTolerance;
}

}  // namespace

Eigen::Vector3d voxelEdges(const Affine& affine) {
    return {affine.block<3, 1>(0, 0).norm(), affine.block<3, 1>(0, 1).norm(),
            affine.block<3, 1>(0, 2).norm()};
}

Eigen::Matrix3d nearestWorldAxes(const Affine& affine) {
    // Greedy by strength: the voxel axis most aligned with some world axis
    // claims it first, so two voxel axes never share one world axis.
    Eigen::Matrix3d unit;
    for (int c = 0; c < 3; ++c) unit.col(c) = affine.block<3, 1>(0, c).normalized();
    Eigen::Matrix3d axes = Eigen::Matrix3d::Zero();
    std::array<bool, 3> voxelDone{}, worldDone{};
    for (int step = 0; step < 3; ++step) {
        int bestC = -1, bestR = -1;
        double best = -1;
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 3; ++r)
                if (!voxelDone[c] && !worldDone[r] && std::abs(unit(r, c)) > best)
                    best = std::abs(unit(r, c)), bestC = c, bestR = r;
        axes(bestR, bestC) = unit(bestR, bestC) < 0 ? -1.0 : 1.0;
        voxelDone[bestC] = worldDone[bestR] = true;
    }
    return axes;
}

double obliqueDegrees(const Affine& affine) {
    const Eigen::Matrix3d axes = nearestWorldAxes(affine);
    double worst = 0;
    for (int c = 0; c < 3; ++c) {
        const double cosine = std::clamp(affine.block<3, 1>(0, c).normalized().dot(axes.col(c)), -1.0, 1.0);
        worst = std::max(worst, std::acos(cosine) * 180.0 / M_PI);
    }
    return worst;
}

GridPlacement axisAlignedCover(const Affine& affine, const std::array<std::int64_t, 4>& size,
                               double spacing) {
    const Eigen::Matrix3d axes = nearestWorldAxes(affine);
    Eigen::Vector3d lo = Eigen::Vector3d::Constant(INFINITY), hi = Eigen::Vector3d::Constant(-INFINITY);
    for (int corner = 0; corner < 8; ++corner) {
        const Eigen::Vector4d ijk((corner & 1) ? size[0] - 1 : 0, (corner & 2) ? size[1] - 1 : 0,
                                  (corner & 4) ? size[2] - 1 : 0, 1);
        const Eigen::Vector3d along = axes.transpose() * (affine * ijk).head<3>();
        lo = lo.cwiseMin(along);
        hi = hi.cwiseMax(along);
    }
    GridPlacement g;
    g.affine.setIdentity();
    g.affine.block<3, 3>(0, 0) = axes * spacing;
    g.affine.block<3, 1>(0, 3) = axes * lo;
    for (int a = 0; a < 3; ++a)
        g.size[a] = static_cast<int>(std::floor((hi[a] - lo[a]) / spacing + kTolerance)) + 1;
    return g;
}

VolumeResampler::VolumeResampler(const Affine& sourceAffine, const std::array<std::int64_t, 4>& sourceSize,
                                 const GridPlacement& target)
    : strideY_(sourceSize[0]),
      strideZ_(sourceSize[0] * sourceSize[1]),
      sourceSize_{sourceSize[0], sourceSize[1], sourceSize[2]} {
    const Affine toSource = sourceAffine.inverse() * target.affine;
    // Exact when every target voxel lands on a source voxel centre: the
    // linear part is a signed permutation and the shift whole voxels.
    exact_ = true;
    for (int r = 0; r < 3; ++r) {
        if (!nearInteger(toSource(r, 3))) exact_ = false;
        for (int c = 0; c < 3; ++c) {
            const double v = toSource(r, c);
            if (!(std::abs(v) < kTolerance || std::abs(std::abs(v) - 1) < kTolerance)) exact_ = false;
        }
    }
    samples_.resize(target.voxelCount());
    std::size_t i = 0;
    for (int z = 0; z < target.size[2]; ++z)
        for (int y = 0; y < target.size[1]; ++y)
            for (int x = 0; x < target.size[0]; ++x, ++i) {
                const Eigen::Vector3d p = (toSource * Eigen::Vector4d(x, y, z, 1)).head<3>();
                Sample s;
                std::array<std::int64_t, 3> base{};
                bool inside = true;
                for (int a = 0; a < 3; ++a) {
                    const double hiEdge = double(sourceSize_[a] - 1);
                    if (p[a] < -kTolerance || p[a] > hiEdge + kTolerance) inside = false;
                    const double q = std::clamp(p[a], 0.0, hiEdge);
                    base[a] = exact_ ? std::llround(q)
                                     : std::min<std::int64_t>(std::int64_t(std::floor(q)),
                                                              std::max<std::int64_t>(0, sourceSize_[a] - 2));
                    const float f = exact_ ? 0.0f : static_cast<float>(q - double(base[a]));
                    (a == 0 ? s.fx : a == 1 ? s.fy : s.fz) = f;
                }
                if (inside) s.base = base[0] + base[1] * strideY_ + base[2] * strideZ_;
                samples_[i] = s;
            }
    identity_ = exact_ && std::int64_t(samples_.size()) == sourceSize_[0] * sourceSize_[1] * sourceSize_[2];
    for (std::size_t k = 0; identity_ && k < samples_.size(); ++k)
        identity_ = samples_[k].base == std::int64_t(k);
}

void VolumeResampler::apply(const float* source, float* target) const {
    const std::size_t n = samples_.size();
    if (exact_) {
        for (std::size_t i = 0; i < n; ++i)
            target[i] = samples_[i].base < 0 ? 0.0f : source[samples_[i].base];
        return;
    }
    // A one-voxel-thick axis has no upper neighbour: step 0 along it.
    const std::int64_t dx = sourceSize_[0] > 1 ? 1 : 0, dy = sourceSize_[1] > 1 ? strideY_ : 0,
                       dz = sourceSize_[2] > 1 ? strideZ_ : 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Sample& s = samples_[i];
        if (s.base < 0) {
            target[i] = 0.0f;
            continue;
        }
        const float* p = source + s.base;
        const float c00 = p[0] + s.fx * (p[dx] - p[0]);
        const float c10 = p[dy] + s.fx * (p[dy + dx] - p[dy]);
        const float c01 = p[dz] + s.fx * (p[dz + dx] - p[dz]);
        const float c11 = p[dz + dy] + s.fx * (p[dz + dy + dx] - p[dz + dy]);
        const float c0 = c00 + s.fy * (c10 - c00);
        const float c1 = c01 + s.fy * (c11 - c01);
        target[i] = c0 + s.fz * (c1 - c0);
    }
}

}  // namespace talvora::formats
