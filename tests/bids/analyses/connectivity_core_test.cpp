// The connectivity numbers against slow literal references written from the
// definitions: nearest atlas voxel by brute-force search, Pearson's r by
// its textbook sums, volumes of a condition counted by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "bids/analyses/connectivity_core.h"

namespace c = bids::analyses::connectivity;

namespace {

// Pearson's r of two columns: sum of products of deviations over the root
// of the product of the sums of squared deviations, means by plain loops.
double slowPearson(const Eigen::MatrixXd& x, Eigen::Index a, Eigen::Index b) {
    const auto n = x.rows();
    double ma = 0, mb = 0;
    for (Eigen::Index t = 0; t < n; ++t) ma += x(t, a), mb += x(t, b);
    ma /= double(n), mb /= double(n);
    double sab = 0, saa = 0, sbb = 0;
    for (Eigen::Index t = 0; t < n; ++t) {
        sab += (x(t, a) - ma) * (x(t, b) - mb);
        saa += (x(t, a) - ma) * (x(t, a) - ma);
        sbb += (x(t, b) - mb) * (x(t, b) - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

Eigen::Matrix4d affine(double sx, double sy, double sz, double ox, double oy, double oz) {
    Eigen::Matrix4d m = Eigen::Matrix4d::Identity();
    m(0, 0) = sx, m(1, 1) = sy, m(2, 2) = sz, m(0, 3) = ox, m(1, 3) = oy, m(2, 3) = oz;
    return m;
}

}  // namespace

TEST(ConnectivityCore, PearsonMatrixEqualsTheTextbookSums) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    Eigen::MatrixXd x(23, 5);
    for (Eigen::Index t = 0; t < x.rows(); ++t) {
        const double shared = noise(random);
        for (Eigen::Index r = 0; r < x.cols(); ++r) x(t, r) = 100.0 * r + shared * (r - 2) + noise(random);
    }
    const Eigen::MatrixXd r = c::pearsonMatrix(x);
    ASSERT_EQ(r.rows(), 5);
    for (Eigen::Index a = 0; a < 5; ++a)
        for (Eigen::Index b = 0; b < 5; ++b)
            EXPECT_NEAR(r(a, b), a == b ? 1.0 : slowPearson(x, a, b), 1e-12) << a << "," << b;
}

TEST(ConnectivityCore, PearsonOfExactLinearRelationsIsPlusOrMinusOne) {
    Eigen::MatrixXd x(4, 3);
    x << 1, 3, -2, 2, 5, -4, 3, 7, -6, 5, 11, -10;  // b = 2a + 1, c = -2a
    const Eigen::MatrixXd r = c::pearsonMatrix(x);
    EXPECT_NEAR(r(0, 1), 1.0, 1e-15);
    EXPECT_NEAR(r(0, 2), -1.0, 1e-15);
    EXPECT_NEAR(r(1, 2), -1.0, 1e-15);
}

TEST(ConnectivityCore, AConstantColumnIsRefusedByIndexNeverANumber) {
    Eigen::MatrixXd x(4, 3);
    x << 1, 7, 2, 2, 7, 1, 3, 7, 5, 4, 7, 0;
    try {
        c::pearsonMatrix(x);
        FAIL() << "no error for a constant column";
    } catch (const c::ConstantRegion& e) {
        EXPECT_EQ(e.region, 1u);
    }
    EXPECT_EQ(c::firstConstantColumn(x), 1);
    x(2, 1) = 7.5;
    EXPECT_EQ(c::firstConstantColumn(x), -1);
    EXPECT_THROW(c::pearsonMatrix(Eigen::MatrixXd::Ones(1, 3)), std::invalid_argument);
}

TEST(ConnectivityCore, VolumesOfAConditionCountedByHand) {
    // TR 2 s, 10 volumes; acquisitions [0,2) [2,4) ... [18,20).
    // Event [4, 8) with no delay: volumes 2 and 3 only (half-open ends).
    EXPECT_EQ(c::conditionVolumes({{4.0, 8.0}}, 2.0, 10, 0.0), (std::vector<std::size_t>{2, 3}));
    // Shifted by 5 s: [9, 13) overlaps [8,10) [10,12) [12,14).
    EXPECT_EQ(c::conditionVolumes({{4.0, 8.0}}, 2.0, 10, 5.0), (std::vector<std::size_t>{4, 5, 6}));
    // An instant at 6 s falls in volume 3 ([6, 8)); at 5.9 s in volume 2.
    EXPECT_EQ(c::conditionVolumes({{6.0, 6.0}}, 2.0, 10, 0.0), (std::vector<std::size_t>{3}));
    EXPECT_EQ(c::conditionVolumes({{5.9, 5.9}}, 2.0, 10, 0.0), (std::vector<std::size_t>{2}));
    // Overlapping events give each volume once; what lies past the run is dropped.
    EXPECT_EQ(c::conditionVolumes({{0.0, 3.0}, {1.0, 5.0}, {17.0, 30.0}}, 2.0, 10, 0.0),
              (std::vector<std::size_t>{0, 1, 2, 8, 9}));
    EXPECT_TRUE(c::conditionVolumes({{30.0, 40.0}}, 2.0, 10, 0.0).empty());
}

TEST(ConnectivityCore, LabelsAtVoxelCentresMatchABruteForceNearestSearch) {
    // Atlas: 1.5 mm, x flipped, shifted; run: 3 mm. No centre lies halfway.
    c::Grid atlas{{9, 8, 7}, affine(-1.5, 1.5, 1.5, 6.2, -6.4, -5.1)};
    c::Grid run{{6, 4, 3}, affine(3.0, 3.0, 3.0, -6.0, -4.5, -3.0)};
    std::vector<long long> labels(9 * 8 * 7);
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = static_cast<long long>((i * 37) % 11);
    const auto got = c::labelsAtVoxelCentres(labels, atlas, run);
    ASSERT_EQ(got.size(), 72u);
    std::size_t v = 0, outside = 0;
    for (int z = 0; z < 3; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x, ++v) {
                const Eigen::Vector4d world = run.affine * Eigen::Vector4d(x, y, z, 1);
                // Every atlas voxel centre in world space; the nearest in the
                // atlas's own voxel units, only within half a voxel per axis.
                double best = std::numeric_limits<double>::max();
                long long expected = 0;
                std::size_t a = 0;
                for (int k = 0; k < 7; ++k)
                    for (int j = 0; j < 8; ++j)
                        for (int i = 0; i < 9; ++i, ++a) {
                            const Eigen::Vector4d centre = atlas.affine * Eigen::Vector4d(i, j, k, 1);
                            const double dx = (world[0] - centre[0]) / 1.5, dy = (world[1] - centre[1]) / 1.5,
                                         dz = (world[2] - centre[2]) / 1.5;
                            const double d = dx * dx + dy * dy + dz * dz;
                            if (std::abs(dx) <= 0.5 && std::abs(dy) <= 0.5 && std::abs(dz) <= 0.5 && d < best)
                                best = d, expected = labels[a];
                        }
                if (best == std::numeric_limits<double>::max()) ++outside;
                EXPECT_EQ(got[v], expected) << x << "," << y << "," << z;
            }
    EXPECT_GT(outside, 0u);  // the run reaches past the atlas: those voxels are 0
}

TEST(ConnectivityCore, RegionMeansAndTheFirstNonFiniteValue) {
    const std::vector<float> volume{1, 2, 3, 4, 5, 6};
    const auto means = c::regionMeans(volume, {{0, 2, 4}, {5}, {1, 3}});
    EXPECT_DOUBLE_EQ(means[0], 3.0);
    EXPECT_DOUBLE_EQ(means[1], 6.0);
    EXPECT_DOUBLE_EQ(means[2], 3.0);
    std::vector<float> bad = volume;
    bad[3] = std::numeric_limits<float>::quiet_NaN();
    try {
        c::regionMeans(bad, {{0, 2}, {1, 3}});
        FAIL() << "no error for NaN";
    } catch (const c::NonFiniteValue& e) {
        EXPECT_EQ(e.region, 1u);
        EXPECT_EQ(e.voxel, 3u);
    }
    bad[3] = std::numeric_limits<float>::infinity();
    EXPECT_THROW(c::regionMeans(bad, {{3}}), c::NonFiniteValue);
    // A value outside every region does not matter.
    EXPECT_NO_THROW(c::regionMeans(bad, {{0, 1}}));
}

TEST(ConnectivityCore, EachRunIsCentredOnItsOwnSelectedVolumesBeforeJoining) {
    Eigen::MatrixXd run1(4, 2), run2(3, 2);
    run1 << 1, 10, 2, 20, 3, 30, 9, 90;
    run2 << 101, 5, 103, 7, 500, 500;
    const auto a = c::centredRows(run1, {0, 1, 2});  // means 2 and 20
    const auto b = c::centredRows(run2, {0, 1});     // means 102 and 6
    Eigen::MatrixXd expectedA(3, 2), expectedB(2, 2);
    expectedA << -1, -10, 0, 0, 1, 10;
    expectedB << -1, -1, 1, 1;
    EXPECT_TRUE(a.isApprox(expectedA));
    EXPECT_TRUE(b.isApprox(expectedB));
    const auto joined = c::stackRows({a, b});
    ASSERT_EQ(joined.rows(), 5);
    EXPECT_TRUE(joined.topRows(3).isApprox(expectedA));
    EXPECT_TRUE(joined.bottomRows(2).isApprox(expectedB));
}
