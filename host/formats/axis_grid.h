// Axis-aligned grids in world space and trilinear resampling onto them.
// Our documents hold whole-millimetre, axis-aligned voxels; an image whose
// voxels are not (oblique, anisotropic, fractional millimetres) is resampled
// to the nearest such grid, and one that already is gets copied exactly.
#pragma once

#include "host/formats/nifti_image.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace talvora::formats {

struct GridPlacement {
    Affine affine = Affine::Identity();  // voxel -> world mm
    std::array<int, 3> size{1, 1, 1};
    std::size_t voxelCount() const {
        return std::size_t(size[0]) * std::size_t(size[1]) * std::size_t(size[2]);
    }
};

// The world axes nearest to the image's voxel axes: a signed permutation
// whose column a is the unit world direction closest to voxel axis a.
Eigen::Matrix3d nearestWorldAxes(const Affine& affine);

// The largest angle (degrees) between a voxel axis and its nearest world axis.
double obliqueDegrees(const Affine& affine);

// Voxel edge lengths (the affine's column norms).
Eigen::Vector3d voxelEdges(const Affine& affine);

// The grid with edge `spacing` along the nearest world axes whose voxel
// centres cover the image's voxel centres; its first voxel lies at the
// smallest corner, so an axis-aligned image of that spacing maps onto
// itself voxel for voxel.
GridPlacement axisAlignedCover(const Affine& affine, const std::array<std::int64_t, 4>& size, double spacing);

// How one volume of a source image fills a target grid: per target voxel,
// either one source voxel (the grids coincide: exact copy) or the eight
// neighbours and weights of trilinear interpolation; target voxels outside
// the source get 0.
class VolumeResampler {
public:
    VolumeResampler(const Affine& sourceAffine, const std::array<std::int64_t, 4>& sourceSize,
                    const GridPlacement& target);
    bool exact() const { return exact_; }
    // True when the target is the source itself, voxel for voxel: apply()
    // would only copy.
    bool identity() const { return identity_; }
    // `source` holds one source volume (x fastest); `target` gets voxelCount() values.
    void apply(const float* source, float* target) const;

private:
    struct Sample {
        std::int64_t base = -1;  // source index of the lower corner, -1 outside
        float fx = 0, fy = 0, fz = 0;
    };
    bool exact_ = false;
    bool identity_ = false;
    std::int64_t strideY_ = 0, strideZ_ = 0;
    std::array<std::int64_t, 3> sourceSize_{};
    std::vector<Sample> samples_;
};

}  // namespace talvora::formats
