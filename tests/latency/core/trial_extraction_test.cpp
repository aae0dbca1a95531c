// Trial extraction and averaging against a literal re-computation of the
// stated procedure, and against hand-computed values on small series.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "latency/numeric/spline.h"
#include "latency/core/trial_extraction.h"

namespace {

using latency::core::TrialExtractor;
using latency::core::TrialSetup;

// The procedure written out plainly: cut, baseline, normalise, average.
struct Literal {
    std::vector<std::vector<float>> curves;
    std::vector<int> fitLength;
    std::vector<float> average;
    int commonLength = latency::core::kInitialCommonLength;
};

void literalRegion(const std::vector<float>& times, const std::vector<float>& y,
                   const std::vector<int>& onsets, float window, int f, Literal& out) {
    const int count = static_cast<int>(y.size());
    std::vector<double> sum(static_cast<std::size_t>(count) + 1, 0.0);
    float baselineTotal = 0.0f;
    out.curves.clear();
    out.fitLength.clear();
    for (int onset : onsets) {
        int s = 0;
        for (int i = 0; i < count; ++i)
            if (times[i] > static_cast<float>(onset)) {
                s = std::max(i - 1, 0);
                break;
            }
        int e = count - 1;
        for (int i = 1; i < count; ++i)
            if (times[i] > static_cast<float>(onset) + window) {
                e = i - 1;
                break;
            }
        float S = 0.0f;
        for (int i = s - 2 * f; i <= s; ++i)
            if (i >= 1) S += y[i];
        const float B = S / static_cast<float>(2 * f + 1);
        const int m = e - s + 1;
        out.commonLength = std::min(out.commonLength, m);
        out.fitLength.push_back(out.commonLength);
        std::vector<float> curve;
        for (int k = 0; k < m; ++k) {
            curve.push_back(static_cast<float>((static_cast<double>(y[s + k]) - B) / B));
            sum[k] = static_cast<float>(sum[k] + y[s + k]);
        }
        out.curves.push_back(curve);
        baselineTotal += S;
    }
    const float trials = static_cast<float>(onsets.size());
    const float B = baselineTotal / (trials * static_cast<float>(2 * f + 1));
    out.average.clear();
    for (int k = 0; k < out.commonLength; ++k)
        out.average.push_back((static_cast<float>(sum[k]) / trials - B) / B);
}

std::vector<float> rampCourse(int volumes) {
    std::vector<float> y;
    for (int i = 0; i < volumes; ++i) y.push_back(100.0f + static_cast<float>(i));
    return y;
}

TrialSetup setup(int volumes, int tr, int factor, float window, std::vector<int> onsets) {
    TrialSetup s;
    s.volumes = volumes;
    s.tr = tr;
    s.factor = factor;
    s.window = window;
    s.onsets = std::move(onsets);
    return s;
}

TEST(TrialExtraction, FactorOneKeepsTheMeasuredSamplesAndAveragesThreeBaselineSamples) {
    const std::vector<float> y = rampCourse(20);
    TrialExtractor trials(setup(20, 1000, 1, 5000.0f, {3000}));
    trials.extract(y.data());
    ASSERT_EQ(trials.interpolatedCount(), 20);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(trials.interpolated()[i], y[i]);
    EXPECT_EQ(trials.samplingStep(), 1000.0f);
    // Onset 3000: the first later sample is 4, so s = 3; the window ends at
    // 8000, the last sample not later is 8.
    EXPECT_EQ(trials.window(0).start, 3);
    EXPECT_EQ(trials.window(0).end, 8);
    EXPECT_EQ(trials.window(0).length, 6);
    // Baseline (101 + 102 + 103) / 3 = 102; x[k] = (103 + k - 102) / 102.
    EXPECT_FLOAT_EQ(trials.trialBaseline(0), 102.0f);
    for (int k = 0; k < 6; ++k)
        EXPECT_FLOAT_EQ(trials.trialCurve(0)[k], static_cast<float>((1.0 + k) / 102.0)) << k;
    // One trial: the average is the trial.
    ASSERT_EQ(trials.averageLength(), 6);
    for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(trials.averageCurve()[k], trials.trialCurve(0)[k]);
}

TEST(TrialExtraction, EarlyOnsetsUseFewerBaselineSamplesButStillDivideByThree) {
    const std::vector<float> y = rampCourse(20);
    // 1500 ms: s = 1, only sample 1 counts (index 0 is left out): 101 / 3.
    // 500 ms: s = 0, no sample counts: a zero baseline has no fractional change.
    TrialExtractor trials(setup(20, 1000, 1, 5000.0f, {1500, 500}));
    trials.extract(y.data());
    EXPECT_EQ(trials.window(0).start, 1);
    EXPECT_FLOAT_EQ(trials.trialBaseline(0), 101.0f / 3.0f);
    EXPECT_TRUE(trials.trialUsable(0));
    EXPECT_FLOAT_EQ(trials.trialCurve(0)[0], static_cast<float>((101.0 - 101.0 / 3.0) / (101.0 / 3.0)));
    EXPECT_EQ(trials.window(1).start, 0);
    EXPECT_EQ(trials.trialBaseline(1), 0.0f);
    EXPECT_FALSE(trials.trialUsable(1));
    for (int k = 0; k < trials.window(1).length; ++k) EXPECT_EQ(trials.trialCurve(1)[k], 0.0f);
    // The average baseline is (101 + 0) / (2 * 3), not zero: the average stays usable.
    EXPECT_TRUE(trials.averageUsable());
    EXPECT_FLOAT_EQ(trials.averageBaseline(), 101.0f / 6.0f);
}

TEST(TrialExtraction, TrialsOfDifferentLengthsAreAveragedOverTheShortest) {
    const std::vector<float> y = rampCourse(30);
    // Window 5500: onset 2600 ends at 8100 (m = 7), onset 12000 at 17500 (m = 6).
    TrialExtractor trials(setup(30, 1000, 1, 5500.0f, {2600, 12000}));
    trials.extract(y.data());
    EXPECT_EQ(trials.window(0).length, 7);
    EXPECT_EQ(trials.window(1).length, 6);
    EXPECT_EQ(trials.fitLength(0), 7);  // L while the first trial is cut
    EXPECT_EQ(trials.fitLength(1), 6);
    EXPECT_EQ(trials.averageLength(), 6);
    // Hand: A[k] = (102 + k + 112 + k) / 2; the first trial's baseline lacks
    // sample 0: B = (101 + 102 + 110 + 111 + 112) / (2 * 3).
    const float B = (101.0f + 102.0f + 110.0f + 111.0f + 112.0f) / 6.0f;
    for (int k = 0; k < 6; ++k)
        EXPECT_FLOAT_EQ(trials.averageCurve()[k], ((214.0f + 2.0f * k) / 2.0f - B) / B) << k;
    // The next region starts with the final L: its first trial is fitted over 6.
    trials.extract(y.data());
    EXPECT_EQ(trials.fitLength(0), 6);
}

TEST(TrialExtraction, WindowPastTheLastSampleIsShortenedToTheSamplesThatExist) {
    const std::vector<float> y = rampCourse(10);  // last sample at 9000 ms
    TrialExtractor trials(setup(10, 1000, 1, 5500.0f, {4000}));
    trials.extract(y.data());
    EXPECT_EQ(trials.window(0).start, 4);
    EXPECT_EQ(trials.window(0).end, 9);
    EXPECT_EQ(trials.averageLength(), 6);
}

struct LiteralCase {
    const char* name;
    int volumes, tr, factor;
    float window;
    std::vector<int> onsets;
};

class AgainstLiteral : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(AgainstLiteral, CurvesLengthsAndAverageAgree) {
    const LiteralCase& c = GetParam();
    // A smooth response on a drifting baseline, two regions of different size.
    std::vector<std::vector<float>> regions;
    for (float scale : {1.0f, 3.5f}) {
        std::vector<float> y;
        for (int i = 0; i < c.volumes; ++i)
            y.push_back(scale * (500.0f + 0.3f * i + 12.0f * std::sin(0.7f * i) + 4.0f * std::cos(1.3f * i)));
        regions.push_back(y);
    }
    TrialExtractor trials(setup(c.volumes, c.tr, c.factor, c.window, c.onsets));
    Literal literal;
    std::vector<float> knots, times(static_cast<std::size_t>(c.volumes * c.factor)),
        values(static_cast<std::size_t>(c.volumes * c.factor));
    for (int i = 0; i < c.volumes; ++i) knots.push_back(static_cast<float>(i * c.tr));
    for (const auto& y : regions) {
        trials.extract(y.data());
        const int n = latency::numeric::resampleSpline(knots.data(), y.data(), c.volumes, c.factor,
                                                       times.data(), values.data());
        literalRegion({times.begin(), times.begin() + n}, {values.begin(), values.begin() + n}, c.onsets,
                      c.window, c.factor, literal);
        ASSERT_EQ(trials.trialCount(), static_cast<int>(c.onsets.size()));
        EXPECT_FLOAT_EQ(trials.samplingStep(), static_cast<float>(c.tr) / c.factor);
        for (int j = 0; j < trials.trialCount(); ++j) {
            ASSERT_EQ(trials.window(j).length, static_cast<int>(literal.curves[j].size())) << j;
            EXPECT_EQ(trials.fitLength(j), literal.fitLength[j]) << j;
            for (int k = 0; k < trials.window(j).length; ++k)
                EXPECT_EQ(trials.trialCurve(j)[k], literal.curves[j][k]) << j << " " << k;
        }
        ASSERT_EQ(trials.averageLength(), literal.commonLength);
        for (int k = 0; k < literal.commonLength; ++k)
            EXPECT_EQ(trials.averageCurve()[k], literal.average[k]) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgainstLiteral,
    ::testing::Values(LiteralCase{"f1", 60, 1000, 1, 16000.0f, {4000, 24000, 40000}},
                      LiteralCase{"f2_offgrid_onsets", 60, 2000, 2, 16000.0f, {4100, 33000, 61999}},
                      LiteralCase{"f3_short_window", 50, 1500, 3, 5000.0f, {2000, 30250, 51000}},
                      LiteralCase{"f4", 40, 1000, 4, 16000.0f, {3000, 20000}},
                      LiteralCase{"window_past_end", 30, 1000, 2, 9000.0f, {5000, 21500}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrialPlan, DropsOnlyTheLastTrialWhenItsWindowPassesTheSeries) {
    const int onsets[] = {4000, 24000, 64000};
    // 80 volumes of 1000 ms: 80000 - 64000 = 16000 is not below 16000.
    auto plan = latency::core::planTrials(onsets, 3, 80, 1000, 16000.0f);
    EXPECT_EQ(plan.onsets, (std::vector<int>{4000, 24000, 64000}));
    EXPECT_FALSE(plan.lastDropped);
    plan = latency::core::planTrials(onsets, 3, 79, 1000, 16000.0f);
    EXPECT_EQ(plan.onsets, (std::vector<int>{4000, 24000}));
    EXPECT_TRUE(plan.lastDropped);
    EXPECT_FALSE(plan.truncated);
}

TEST(TrialPlan, KeepsAtMostOneHundredTrialsAndChecksTheLastKept) {
    std::vector<int> onsets;
    for (int i = 0; i < 130; ++i) onsets.push_back(1000 * i);
    auto plan = latency::core::planTrials(onsets.data(), 130, 200, 1000, 16000.0f);
    EXPECT_TRUE(plan.truncated);
    ASSERT_EQ(plan.onsets.size(), 100u);
    EXPECT_EQ(plan.onsets.back(), 99000);
    EXPECT_FALSE(plan.lastDropped);
    plan = latency::core::planTrials(onsets.data(), 130, 110, 1000, 16000.0f);
    EXPECT_EQ(plan.onsets.size(), 99u);
    EXPECT_TRUE(plan.lastDropped);
}

TEST(Deconvolution, PointsBlocksAndResponse) {
    // 2 studies, 11 points each plus one constant per study.
    EXPECT_EQ(latency::core::deconvolutionPoints(24, 2, 1), 11);
    EXPECT_EQ(latency::core::deconvolutionPoints(13, 2, 0), 11);
    EXPECT_EQ(latency::core::deconvolutionPoints(25, 2, 1), 11);  // truncating
    EXPECT_EQ(latency::core::deconvolutionBlockStart(11, 0, true), 2);
    EXPECT_EQ(latency::core::deconvolutionBlockStart(11, 1, true), 13);
    EXPECT_EQ(latency::core::deconvolutionBlockStart(11, 1, false), 2);
    const float betas[] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    float out[5] = {};
    latency::core::betaResponse(betas, 1, 3, out);
    EXPECT_FLOAT_EQ(out[0], 0.02f);
    EXPECT_FLOAT_EQ(out[1], 0.03f);
    EXPECT_FLOAT_EQ(out[2], 0.04f);
    EXPECT_EQ(out[3], 0.0f);
}

}  // namespace
