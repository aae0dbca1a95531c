// Across-VTC means, pooled single-trial statistics with Student-t half-widths
// (t values from published tables) and the latency maps with their running
// display thresholds.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "latency/core/result_summaries.h"

namespace {

using latency::core::kMeasureCount;
using latency::core::PooledMeasure;
using latency::core::ThresholdRange;

TEST(AcrossVtcMean, IgnoresBadFitsAndIsMinusOneWithoutAnyValid) {
    const float some[] = {2.0f, -1.0f, 4.0f};
    EXPECT_FLOAT_EQ(latency::core::validMean(some, 3), 3.0f);
    const float none[] = {-1.0f, -1.0f};
    EXPECT_EQ(latency::core::validMean(none, 2), -1.0f);
}

TEST(PooledSingleTrials, HalfWidthIsTTimesTheStandardError) {
    // Five valid trials 1..5: mean 3, squared standard error 2.5 / 5 = 0.5.
    // Confidence 0.1 -> two-sided tail 0.05 -> t(4 df)... here 5 df: 2.5706.
    const std::vector<float> v = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    const float* values[kMeasureCount] = {v.data(), v.data(), v.data(), v.data()};
    PooledMeasure pooled[kMeasureCount];
    latency::core::poolSingleTrials(values, 5, 0.1f, pooled);
    for (const PooledMeasure& p : pooled) {
        EXPECT_FLOAT_EQ(p.mean, 3.0f);
        EXPECT_NEAR(p.halfWidth, 2.5706f * std::sqrt(0.5f), 0.005f);
    }
}

TEST(PooledSingleTrials, DegreesOfFreedomAreTheValidAmplitudes) {
    const std::vector<float> all = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    const std::vector<float> two = {1.0f, 2.0f, -1.0f, -1.0f, -1.0f};
    const float* values[kMeasureCount] = {all.data(), all.data(), all.data(), two.data()};
    PooledMeasure pooled[kMeasureCount];
    latency::core::poolSingleTrials(values, 5, 0.1f, pooled);
    // t for 2 df and two-sided 0.05 is 4.3027.
    EXPECT_NEAR(pooled[latency::core::kOnset].halfWidth, 4.3027f * std::sqrt(0.5f), 0.01f);
    EXPECT_FLOAT_EQ(pooled[latency::core::kAmplitude].mean, 1.5f);
    EXPECT_NEAR(pooled[latency::core::kAmplitude].halfWidth, 4.3027f * std::sqrt(0.25f), 0.01f);
}

TEST(PooledSingleTrials, OneOrNoValidTrialShowsZeroHalfWidth) {
    const std::vector<float> one = {-1.0f, 2.5f, -1.0f};
    const std::vector<float> none = {-1.0f, -1.0f, -1.0f};
    const float* oneValid[kMeasureCount] = {one.data(), one.data(), one.data(), one.data()};
    const float* noneValid[kMeasureCount] = {none.data(), none.data(), none.data(), none.data()};
    PooledMeasure pooled[kMeasureCount];
    latency::core::poolSingleTrials(oneValid, 3, 0.05f, pooled);
    EXPECT_FLOAT_EQ(pooled[0].mean, 2.5f);
    EXPECT_EQ(pooled[0].halfWidth, 0.0f);
    latency::core::poolSingleTrials(noneValid, 3, 0.05f, pooled);
    EXPECT_EQ(pooled[0].mean, -1.0f);
    EXPECT_EQ(pooled[0].halfWidth, 0.0f);
}

TEST(LatencyMaps, NamesInIndexOrder) {
    const std::vector<std::string> names(latency::core::kLatencyMapNames,
                                         latency::core::kLatencyMapNames + 8);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Onset (secs)", "Duration (secs)", "Time-to-peak (secs)",
                                        "Amplitude (psc)", "Onset (single-trial)", "Width (single-trial)",
                                        "Time-to-peak (single-trial)", "Amplitude (single-trial)"}));
}

struct MapCase {
    const char* name;
    std::vector<float> regionValues;
    ThresholdRange before;
    std::vector<float> expectedMap;
    float lower, upper;
};

class MapFilling : public ::testing::TestWithParam<MapCase> {};

TEST_P(MapFilling, ValuesOutsideRegionsZeroAndRunningThresholds) {
    // Six voxels; selected 1, 3, 4 belong to regions 0, 1, 1.
    const std::vector<int> selected = {1, 3, 4};
    const std::vector<int> regionOf = {0, 1, 1};
    const MapCase& c = GetParam();
    std::vector<float> map(6, 99.0f);
    ThresholdRange range = c.before;
    latency::core::fillLatencyMap(selected, regionOf, c.regionValues.data(), map.data(), 6, range);
    EXPECT_EQ(map, c.expectedMap);
    EXPECT_FLOAT_EQ(range.lower, c.lower);
    EXPECT_FLOAT_EQ(range.upper, c.upper);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapFilling,
    ::testing::Values(
        // The first selected voxel is positive: the range restarts there.
        MapCase{"first_positive_resets", {3.0f, 2.0f}, {0.1f, 0.1f}, {0, 3, 0, 2, 2, 0}, 2.0f, 3.0f},
        MapCase{"reset_drops_earlier_range", {3.0f, 5.0f}, {0.5f, 9.0f}, {0, 3, 0, 5, 5, 0}, 3.0f, 5.0f},
        // A bad first region does not reset; positives widen the carried range.
        MapCase{"first_negative_keeps", {-1.0f, 2.5f}, {0.1f, 0.1f}, {0, -1, 0, 2.5f, 2.5f, 0}, 0.1f, 2.5f},
        MapCase{"all_bad_keep_previous", {-1.0f, -1.0f}, {1.5f, 4.0f}, {0, -1, 0, -1, -1, 0}, 1.5f, 4.0f},
        MapCase{"zero_value_ignored", {0.0f, 0.05f}, {0.1f, 0.1f}, {0, 0, 0, 0.05f, 0.05f, 0}, 0.05f, 0.1f}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
