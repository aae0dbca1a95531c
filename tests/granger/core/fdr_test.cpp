#include "granger/core/fdr.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace granger::core;

TEST(Fdr, ConstantChoices) {
    EXPECT_DOUBLE_EQ(fdrConstant(1, 1000), 1.0);
    EXPECT_NEAR(fdrConstant(2, 1000), 7.4850, 1e-4);
}

TEST(Fdr, EveryNullAboveEveryRealGivesTheLargestRealValue) {
    const std::vector<float> real{1, 2, 3, 0};
    const std::vector<float> null{10, 11, 12, 13};
    const auto t = fdrThresholds(real.data(), null.data(), 4, {0.05f}, 1);
    EXPECT_EQ(t, (std::vector<float>{3.0f}));
}

TEST(Fdr, EveryNullBelowEveryRealNeverSetsTheRate) {
    const std::vector<float> real{5, -6, 7, 8};
    const std::vector<float> null{0.1f, 0.2f, -0.3f, 0.0f};
    const auto t = fdrThresholds(real.data(), null.data(), 4, {0.01f, 0.05f}, 2);
    EXPECT_EQ(t, (std::vector<float>{0.0f, 0.0f}));
}

TEST(Fdr, EmptyRealMapGivesZeroThresholds) {
    const std::vector<float> real(5, 0.0f), null{1, 2, 3, 4, 5};
    EXPECT_EQ(fdrThresholds(real.data(), null.data(), 5, {0.01f, 0.1f}, 1), (std::vector<float>{0.0f, 0.0f}));
}

// Hand-worked: real |A| = 1..10, null = 0.5, 1.5, ..., 9.5 (10 values), c = 1.
// From the top: i=10 (A=10): j stops at 10 (9.5 <= 10) -> p = 0.
// i=9 (A=9): j moves past 9.5 -> j=9, p = 0.1; rank 2: q bound 0.2 q.
//   q=0.4: bound 0.08 -> 0.1 > 0.08: threshold A_10 = 10.
// For q=0.95: bound 0.19 -> not set; i=8: p=0.2, rank 3, bound 0.285 -> no;
//   each later i=k: p = (10-k)/10 stays below (11-k)/10 * 0.95 down to
//   i=1 (0.9 vs 0.95) -> never set -> 0.
// q=0.5: i=9: bound 0.1 -> 0.1 > 0.1 no; i=8: 0.2 > 0.15 -> threshold A_9 = 9.
TEST(Fdr, HandCheckedTable) {
    std::vector<float> real, null;
    for (int i = 1; i <= 10; ++i) {
        real.push_back(static_cast<float>(i));
        null.push_back(i - 0.5f);
    }
    const auto t = fdrThresholds(real.data(), null.data(), 10, {0.4f, 0.5f, 0.95f}, 1);
    EXPECT_EQ(t, (std::vector<float>{10.0f, 9.0f, 0.0f}));
    // With c(V) = ln 10 + 0.5772 = 2.880 the bounds shrink: q = 0.9 -> 0.3125 q-share.
    // i=9: p=0.1 > 2/10*0.9/2.88=0.0625 -> threshold 10.
    const auto t2 = fdrThresholds(real.data(), null.data(), 10, {0.9f}, 2);
    EXPECT_EQ(t2, (std::vector<float>{10.0f}));
}

TEST(Fdr, SignsAreIgnoredAndZerosLeftOut) {
    const std::vector<float> real{-1, 0, -2, 0, 3};
    const std::vector<float> null{-2.5f, 0, 0.5f, 0, 0};
    // A = 1,2,3; N = 0.5, 2.5 (M = 2). i=3 (3): j=2, p = 0. i=2 (2): j -> 1, p = 0.5,
    // rank 2: bound 2/3 * 0.5 = 0.333 -> set to A_3 = 3.
    EXPECT_EQ(fdrThresholds(real.data(), null.data(), 5, {0.5f}, 1), (std::vector<float>{3.0f}));
}
