// Mean, variance, valid mean and squared standard error, linear ramp.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "latency/numeric/linear_ramp.h"
#include "latency/numeric/statistics.h"

namespace ln = latency::numeric;

namespace {

TEST(MeanAndVariance, ClosedForms) {
    const float data[] = {1.0f, 2.0f, 3.0f, 4.0f};
    const ln::MeanAndVariance mv = ln::meanAndVariance(data, 4);
    EXPECT_FLOAT_EQ(mv.mean, 2.5f);
    EXPECT_FLOAT_EQ(mv.variance, 5.0f / 3.0f);
    EXPECT_FLOAT_EQ(ln::mean(data + 1, 2), 2.5f);

    // Large offset: the corrected two-pass form keeps the small spread.
    const float shifted[] = {10000.5f, 10001.5f, 10002.5f};
    EXPECT_FLOAT_EQ(ln::meanAndVariance(shifted, 3).variance, 1.0f);

    const float one = 7.0f;
    EXPECT_EQ(ln::meanAndVariance(&one, 1).mean, 7.0f);
    EXPECT_EQ(ln::meanAndVariance(&one, 1).variance, 0.0f);
}

struct ValidCase {
    const char* name;
    std::vector<float> data;
    float mean;
    float sse;
    int count;
};

class ValidMean : public ::testing::TestWithParam<ValidCase> {};

TEST_P(ValidMean, OverNonNegativeValuesOnly) {
    const ValidCase& c = GetParam();
    const ln::ValidStatistics s =
        ln::validMeanAndSquaredStdError(c.data.data(), static_cast<int>(c.data.size()));
    EXPECT_EQ(s.count, c.count);
    EXPECT_FLOAT_EQ(s.mean, c.mean);
    EXPECT_FLOAT_EQ(s.squaredStdError, c.sse);
}

const float kNan = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, ValidMean,
    ::testing::Values(ValidCase{"skipsBadFit", {-1.0f, 2.0f, 4.0f}, 3.0f, 1.0f, 2},
                      ValidCase{"onlyNegatives", {-1.0f, -1.0f, -0.5f}, -1.0f, -1.0f, 0},
                      ValidCase{"empty", {}, -1.0f, -1.0f, 0},
                      // One valid value: no spread to estimate; shown as +-0.
                      ValidCase{"singleValid", {-1.0f, 2.5f, -1.0f}, 2.5f, 0.0f, 1},
                      ValidCase{"zeroIsValid", {0.0f, 2.0f}, 1.0f, 1.0f, 2},
                      // var = 2.5, sse = var / 5 = 0.5.
                      ValidCase{"fiveValues", {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}, 3.0f, 0.5f, 5},
                      ValidCase{"nanIsInvalid", {kNan, 1.0f, 3.0f}, 2.0f, 1.0f, 2},
                      // Equal values never give a negative square from rounding.
                      ValidCase{"equalValues", {0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f}, 0.1f, 0.0f, 7}),
    [](const ::testing::TestParamInfo<ValidCase>& info) { return info.param.name; });

TEST(ValidMean, SquaredStdErrorIsNeverNegative) {
    for (int n = 2; n < 40; ++n) {
        std::vector<float> data(n, 0.3f + 0.01f * n);
        const auto s = ln::validMeanAndSquaredStdError(data.data(), n);
        EXPECT_GE(s.squaredStdError, 0.0f) << n;
        EXPECT_LT(s.squaredStdError, 1e-12f) << n;
    }
}

TEST(LinearRamp, TwoPointsAreExactlyStartAndEnd) {
    // For this pair start + (end - start) rounds away from end in float.
    const float start = -0.618856549f;
    const float end = 2.67673707f;
    volatile float span = end - start;
    ASSERT_NE(start + span, end);
    float out[2];
    ln::linearRamp(out, start, end, 2);
    EXPECT_EQ(out[0], start);
    EXPECT_EQ(out[1], end);
}

TEST(LinearRamp, EquallySpacedValues) {
    float out[5];
    ln::linearRamp(out, 0.0f, 1.0f, 5);
    const float expected[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(out[k], expected[k]);

    float down[4];
    ln::linearRamp(down, 3.0f, -3.0f, 4);
    EXPECT_EQ(down[0], 3.0f);
    EXPECT_FLOAT_EQ(down[1], 1.0f);
    EXPECT_FLOAT_EQ(down[2], -1.0f);
    EXPECT_EQ(down[3], -3.0f);
}

TEST(LinearRamp, OnePointIsTheEnd) {
    float out[2] = {9.0f, 9.0f};
    ln::linearRamp(out, 1.0f, 2.0f, 1);
    EXPECT_EQ(out[0], 2.0f);
    EXPECT_EQ(out[1], 9.0f);
    ln::linearRamp(out, 1.0f, 2.0f, 0);
    EXPECT_EQ(out[0], 2.0f);
}

}  // namespace
