// Non-finite values in data to resample stay where they are, and a map
// position that is not a number is never turned into an index.
#include "distortion/core/nonfinite.h"
#include "distortion/core/vdm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace distortion::core;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

Volume ramp(int nx, int ny, int nz) {
    Volume v(nx, ny, nz);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = 100.0f + static_cast<float>(i % 17) * 3.0f;
    return v;
}

}  // namespace

TEST(NonFinite, CountsNanAndInfinities) {
    Volume v(3, 3, 2, 1.0f);
    EXPECT_EQ(countNonFinite(v), 0u);
    v[0] = kNaN;
    v[5] = std::numeric_limits<float>::infinity();
    v[7] = -std::numeric_limits<float>::infinity();
    EXPECT_EQ(countNonFinite(v), 3u);
}

TEST(NonFinite, ANanVoxelStaysInItsPlaceUnderAZeroMap) {
    Volume src = ramp(6, 9, 5);
    Volume zeroed = src;
    src(2, 4, 3) = kNaN;
    zeroed(2, 4, 3) = 0.0f;
    const Volume map(6, 9, 5, 0.0f);
    const Volume out = undistortCubicKeepingNonFiniteLocal(src, map, false);
    const Volume reference = undistortCubic(zeroed, map, false);
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 6; ++x) {
                if (x == 2 && y == 4 && z == 3)
                    EXPECT_TRUE(std::isnan(out(x, y, z)));
                else
                    ASSERT_EQ(out(x, y, z), reference(x, y, z)) << x << " " << y << " " << z;
            }
    // Without the guard the spline's prefilter spreads the NaN everywhere.
    const Volume spread = undistortCubic(src, map, false);
    EXPECT_TRUE(std::isnan(spread(0, 0, 0)));
}

TEST(NonFinite, HalfAVoxelShiftMarksBothNeighbours) {
    Volume src = ramp(3, 8, 2);
    src(1, 5, 1) = kNaN;
    const Volume map(3, 8, 2, 0.5f);
    const Volume out = undistortCubicKeepingNonFiniteLocal(src, map, false);
    std::size_t nans = 0;
    for (std::size_t i = 0; i < out.size(); ++i) nans += std::isnan(out[i]) ? 1 : 0;
    EXPECT_EQ(nans, 2u);
    EXPECT_TRUE(std::isnan(out(1, 4, 1)));  // samples 4.5: between 4 and 5
    EXPECT_TRUE(std::isnan(out(1, 5, 1)));  // samples 5.5
    // Negated, the samples move the other way.
    const Volume back = undistortCubicKeepingNonFiniteLocal(src, map, true);
    EXPECT_TRUE(std::isnan(back(1, 5, 1)));  // samples 4.5
    EXPECT_TRUE(std::isnan(back(1, 6, 1)));  // samples 5.5
}

TEST(NonFinite, MapValuesThatAreNotNumbersSampleNothing) {
    const Volume src = ramp(4, 6, 3);
    Volume map(4, 6, 3, 0.0f);
    map(1, 2, 1) = kNaN;
    map(2, 3, 1) = 1e30f;
    map(3, 4, 2) = -std::numeric_limits<float>::infinity();
    const Volume cubic = undistortCubic(src, map, false);
    Volume linear(src.dimensions());
    undistortLinear(linear, src, map, true);
    for (const Volume* v : {&cubic, static_cast<const Volume*>(&linear)}) {
        EXPECT_EQ((*v)(1, 2, 1), 0.0f);
        EXPECT_EQ((*v)(2, 3, 1), 0.0f);
        EXPECT_EQ((*v)(3, 4, 2), 0.0f);
    }
    EXPECT_EQ(sampleColumn(src.data(), 6, kNaN), 0.0f);
    EXPECT_EQ(sampleColumn(src.data(), 6, 3e9f), 0.0f);
}
