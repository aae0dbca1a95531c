// The resampler onto a VTC grid knows when the grid is the run's own, voxel
// for voxel (the conversion then reads volumes straight into place), and
// only then: a flipped axis, a cropped box or a half-voxel shift is not.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "host/formats/axis_grid.h"

namespace fmt = talvora::formats;

namespace {

const std::array<std::int64_t, 4> kSize{4, 3, 2, 5};

fmt::Affine sourceAffine() {
    fmt::Affine a = fmt::Affine::Identity();
    a.diagonal() << 3, 3, 3, 1;
    a.block<3, 1>(0, 3) << -6, 12, 30;
    return a;
}

std::vector<float> ramp() {
    std::vector<float> values(4 * 3 * 2);
    std::iota(values.begin(), values.end(), 1.0f);
    return values;
}

}  // namespace

TEST(VolumeResampler, TheRunsOwnGridIsTheIdentity) {
    fmt::GridPlacement same;
    same.affine = sourceAffine();
    same.size = {4, 3, 2};
    const fmt::VolumeResampler resampler(sourceAffine(), kSize, same);
    EXPECT_TRUE(resampler.exact());
    EXPECT_TRUE(resampler.identity());
    const auto source = ramp();
    std::vector<float> target(source.size(), -1.0f);
    resampler.apply(source.data(), target.data());
    EXPECT_EQ(target, source);
}

TEST(VolumeResampler, AFlippedAxisIsExactButNotTheIdentity) {
    fmt::GridPlacement flipped;
    flipped.affine = sourceAffine();
    flipped.affine(0, 0) = -3;
    flipped.affine(0, 3) = -6 + 3 * 3;  // x runs from the source's last column back
    flipped.size = {4, 3, 2};
    const fmt::VolumeResampler resampler(sourceAffine(), kSize, flipped);
    EXPECT_TRUE(resampler.exact());
    EXPECT_FALSE(resampler.identity());
    const auto source = ramp();
    std::vector<float> target(source.size());
    resampler.apply(source.data(), target.data());
    // Each row of four reversed: 4 3 2 1, 8 7 6 5, ...
    for (std::size_t row = 0; row < 6; ++row)
        for (std::size_t x = 0; x < 4; ++x)
            EXPECT_EQ(target[row * 4 + x], float(row * 4 + 4 - x)) << row << x;
}

TEST(VolumeResampler, ACroppedOrShiftedGridIsNotTheIdentity) {
    fmt::GridPlacement cropped;
    cropped.affine = sourceAffine();
    cropped.size = {4, 3, 1};
    const fmt::VolumeResampler crop(sourceAffine(), kSize, cropped);
    EXPECT_TRUE(crop.exact());
    EXPECT_FALSE(crop.identity());

    fmt::GridPlacement shifted = cropped;
    shifted.size = {4, 3, 2};
    shifted.affine(0, 3) += 1.5;
    const fmt::VolumeResampler shift(sourceAffine(), kSize, shifted);
    EXPECT_FALSE(shift.exact());
    EXPECT_FALSE(shift.identity());
}
