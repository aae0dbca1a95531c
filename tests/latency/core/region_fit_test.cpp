// The pure region fit on courses whose trapezoids are known in closed form:
// measures, curves and fitted curves of the average trial, the single
// trials and the deconvolution betas.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "latency/core/region_fit.h"

namespace {

using latency::core::RegionFit;
using latency::core::RegionFitOptions;

// 2 s flat, 2 s rise to `amplitude`, 4 s plateau, 2 s fall, from each onset;
// on a baseline of 1000 sampled every second.
std::vector<float> course(int volumes, const std::vector<int>& onsets,
                          const std::vector<double>& amplitudes) {
    std::vector<float> y(static_cast<std::size_t>(volumes));
    for (int i = 0; i < volumes; ++i) {
        double change = 0.0;
        for (std::size_t j = 0; j < onsets.size(); ++j) {
            const double t = i * 1000.0 - onsets[j];
            double shape = 0.0;
            if (t > 2000 && t < 4000)
                shape = (t - 2000) / 2000;
            else if (t >= 4000 && t <= 8000)
                shape = 1.0;
            else if (t > 8000 && t < 10000)
                shape = (10000 - t) / 2000;
            change += amplitudes[j] * shape;
        }
        y[static_cast<std::size_t>(i)] = static_cast<float>(1000.0 * (1.0 + change));
    }
    return y;
}

latency::core::TrialExtractor extractor(int volumes, const std::vector<int>& onsets) {
    latency::core::TrialSetup setup;
    setup.volumes = volumes;
    setup.tr = 1000;
    setup.factor = 1;
    setup.window = 16000.0f;
    setup.onsets = onsets;
    return latency::core::TrialExtractor(setup);
}

void expectMeasures(const latency::core::ResponseMeasures& m, float onset, float width, float peak,
                    float amplitude) {
    EXPECT_FALSE(m.badFit);
    EXPECT_NEAR(m.onset, onset, 1e-5f);
    EXPECT_NEAR(m.width, width, 1e-5f);
    EXPECT_NEAR(m.timeToPeak, peak, 1e-5f);
    EXPECT_NEAR(m.amplitude, amplitude, 1e-4f);
}

const std::vector<int> kOnsets = {4000, 24000, 44000, 64000};

TEST(RegionFit, AverageTrialOnlyWithoutSingleTrials) {
    auto trials = extractor(84, kOnsets);
    const std::vector<float> y = course(84, kOnsets, {0.02, 0.02, 0.02, 0.02});
    trials.extract(y.data());
    latency::core::TrapezoidFitter fitter;
    RegionFit fit;
    latency::core::fitRegion(fitter, trials, nullptr, RegionFitOptions{}, fit);
    EXPECT_TRUE(fit.trials.empty());
    // Onset i1 = 2 samples, plateau to i3 = 8, peak at 4: (samples * 1000 + 100) / 1000.
    expectMeasures(fit.response.measures, 2.1f, 7.1f, 3.1f, 2.0f);
    const std::vector<float> shape = {0, 0, 0, 1, 2, 2, 2, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(fit.averageTrial.size(), shape.size());
    ASSERT_EQ(fit.response.curve.size(), shape.size());
    ASSERT_EQ(fit.response.fitted.size(), shape.size());
    for (std::size_t i = 0; i < shape.size(); ++i) {
        EXPECT_NEAR(100.0f * fit.averageTrial[i], shape[i], 1e-4f) << i;
        EXPECT_NEAR(100.0f * fit.response.fitted[i], shape[i], 1e-4f) << i;
    }
}

TEST(RegionFit, SingleTrialsCarryTheirOwnAmplitudes) {
    auto trials = extractor(84, kOnsets);
    const std::vector<float> y = course(84, kOnsets, {0.01, 0.02, 0.03, 0.04});
    trials.extract(y.data());
    latency::core::TrapezoidFitter fitter;
    RegionFit fit;
    RegionFitOptions options;
    options.singleTrial = true;
    latency::core::fitRegion(fitter, trials, nullptr, options, fit);
    ASSERT_EQ(fit.trials.size(), 4u);
    for (int j = 0; j < 4; ++j) {
        expectMeasures(fit.trials[static_cast<std::size_t>(j)].measures, 2.1f, 7.1f, 3.1f, 1.0f + j);
        EXPECT_EQ(fit.trials[static_cast<std::size_t>(j)].curve.size(),
                  fit.trials[static_cast<std::size_t>(j)].fitted.size());
    }
    expectMeasures(fit.response.measures, 2.1f, 7.1f, 3.1f, 2.5f);

    // The same object refitted without single trials forgets them.
    options.singleTrial = false;
    latency::core::fitRegion(fitter, trials, nullptr, options, fit);
    EXPECT_TRUE(fit.trials.empty());
}

TEST(RegionFit, FlatCourseIsABadFitWithAZeroFittedCurve) {
    auto trials = extractor(84, kOnsets);
    const std::vector<float> y(84, 1000.0f);
    trials.extract(y.data());
    latency::core::TrapezoidFitter fitter;
    RegionFit fit;
    latency::core::fitRegion(fitter, trials, nullptr, RegionFitOptions{}, fit);
    EXPECT_TRUE(fit.response.measures.badFit);
    EXPECT_EQ(fit.response.measures.onset, -1.0f);
    EXPECT_EQ(fit.response.measures.amplitude, -1.0f);
}

TEST(RegionFit, BetasOfTheChosenRangeAreFittedAtTheirSpacing) {
    auto trials = extractor(84, kOnsets);
    const std::vector<float> y(84, 1000.0f);
    trials.extract(y.data());
    // Betas in percent; points 1 .. 11 are fitted, spaced 2 s.
    const std::vector<float> betas = {9, 0, 0, 0, 1, 2, 2, 2, 2, 2, 1, 0, 7};
    latency::core::TrapezoidFitter fitter;
    RegionFit fit;
    RegionFitOptions options;
    options.useBetas = true;
    options.firstPoint = 1;
    options.lastPoint = 11;
    options.betaStep = 2000.0f;
    latency::core::fitRegion(fitter, trials, betas.data(), options, fit);
    ASSERT_EQ(fit.response.curve.size(), 11u);
    EXPECT_FLOAT_EQ(fit.response.curve[4], 0.02f);
    // i1 = 2, i3 = 8, peak 4 (first maximum), at 2 s per point.
    expectMeasures(fit.response.measures, 4.1f, 14.1f, 6.1f, 2.0f);
    // The average trial is still formed (flat here).
    EXPECT_EQ(fit.averageTrial.size(), 17u);
}

}  // namespace
