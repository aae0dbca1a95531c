// The two ways a VOI file stores its voxels, checked on written-out points.
#include "frame/voi_convention.h"

#include <gtest/gtest.h>

namespace {

using Point = std::array<int, 3>;

TEST(VoiConvention, ReferenceConventionSwapsAndMirrorsAround128) {
    // Stored (c0, c1, c2) = (10, 20, 30): x = 128 - 20, y = 128 - 30, z = 128 - 10.
    EXPECT_EQ(tl::voiVoxelToVolume(tl::kVoiReferenceConvention, 10, 20, 30), (Point{108, 98, 118}));
    EXPECT_EQ(tl::voiVoxelToVolume(tl::kVoiReferenceConvention, 128, 128, 128), (Point{0, 0, 0}));
}

TEST(VoiConvention, VolumeConventionIsTheTripleItself) {
    EXPECT_EQ(tl::voiVoxelToVolume(tl::kVoiVolumeConvention, 10, 20, 30), (Point{10, 20, 30}));
}

TEST(VoiConvention, StoringInTheReferenceConventionIsUndoneByReading) {
    EXPECT_EQ(tl::volumeToReferenceVoiVoxel(108, 98, 118), (Point{10, 20, 30}));
    for (const Point& p : {Point{0, 0, 0}, Point{255, 1, 77}, Point{-3, 300, 128}}) {
        const Point stored = tl::volumeToReferenceVoiVoxel(p[0], p[1], p[2]);
        EXPECT_EQ(tl::voiVoxelToVolume(tl::kVoiReferenceConvention, stored[0], stored[1], stored[2]), p);
    }
}

}  // namespace
