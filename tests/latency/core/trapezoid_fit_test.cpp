// Trapezoid fit and response measures on hand-checked curves. Every case
// runs through both the literal search and the fast one.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "latency/core/trapezoid_fit.h"

namespace {

using latency::core::fitTrapezoid;
using latency::core::fitTrapezoidReference;
using latency::core::responseMeasures;
using latency::core::TrapezoidFit;

struct Expected {
    int peak, i1, i2, i3, i4;
    float level0, level1, level2;
    float ymax, ymin;
};

struct ClosedFormCase {
    const char* name;
    std::vector<float> y;
    Expected fit;
    bool fittedEqualsInput;  // an exact trapezoid is rebuilt sample for sample
};

class ClosedForm : public ::testing::TestWithParam<ClosedFormCase> {};

void expectFit(const TrapezoidFit& f, const ClosedFormCase& c) {
    const Expected& e = c.fit;
    EXPECT_FALSE(f.degenerate);
    EXPECT_EQ(f.samples, static_cast<int>(c.y.size()));
    EXPECT_EQ(f.peak, e.peak);
    EXPECT_EQ(f.i1, e.i1);
    EXPECT_EQ(f.i2, e.i2);
    EXPECT_EQ(f.i3, e.i3);
    EXPECT_EQ(f.i4, e.i4);
    EXPECT_NEAR(f.level0, e.level0, 1e-6);
    EXPECT_NEAR(f.level1, e.level1, 1e-6);
    EXPECT_NEAR(f.level2, e.level2, 1e-6);
    EXPECT_EQ(f.ymax, e.ymax);
    EXPECT_EQ(f.ymin, e.ymin);
    ASSERT_EQ(f.fitted.size(), c.y.size());
    if (!c.fittedEqualsInput) return;
    for (std::size_t i = 0; i < c.y.size(); ++i)
        EXPECT_NEAR(f.fitted[i], c.y[i], 1e-5f * (1.0f + std::fabs(c.y[i]))) << "sample " << i;
}

TEST_P(ClosedForm, LiteralSearch) {
    const auto& y = GetParam().y;
    expectFit(fitTrapezoidReference(y.data(), static_cast<int>(y.size())), GetParam());
}

TEST_P(ClosedForm, FastSearch) {
    const auto& y = GetParam().y;
    expectFit(fitTrapezoid(y.data(), static_cast<int>(y.size())), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Curves, ClosedForm,
    ::testing::Values(
        // Baseline 0..2, one-sample ramps, plateau 4..6, back to 0 from 8.
        ClosedFormCase{"exactTrapezoid",
                       {0, 0, 0, 1, 2, 2, 2, 1, 0, 0},
                       {4, 2, 4, 6, 8, 0.0f, 1.0f, 0.0f, 2.0f, 0.0f},
                       true},
        // Offset, non-dyadic levels, a three-step rise, a four-step fall and
        // a return level above the baseline.
        ClosedFormCase{"scaledTrapezoid",
                       {100, 100, 100, 100, 100, 101.2f, 102.4f, 103.6f, 103.6f, 103.6f, 103.6f, 103.0f,
                        102.4f, 101.8f, 101.2f, 101.2f, 101.2f},
                       {7, 4, 7, 10, 14, 0.0f, 1.0f, 1.2f / 3.6f, 103.6f, 100.0f},
                       true},
        // Rise in a single step: i2 = i1 + 1.
        ClosedFormCase{
            "oneStepRise", {1, 1, 1, 5, 5, 5, 5, 3, 1}, {3, 2, 3, 6, 8, 0.0f, 1.0f, 0.0f, 5.0f, 1.0f}, true},
        // Equal maxima: the first is the peak; ymin is the minimum before it
        // (2), not the 1s after it. z = .25 0 .5 1 1 1 1 -.25 -.25; error
        // 2 (1/8)^2 + (1/16)^2, all other sets worse.
        ClosedFormCase{"equalMaxima",
                       {3, 2, 4, 6, 6, 6, 6, 1, 1},
                       {3, 1, 3, 6, 7, 0.125f, 1.0f, -0.25f, 6.0f, 2.0f},
                       false},
        // Three sets fit with zero error: (0,1,2,3), (0,1,2,4), (0,1,3,4);
        // the first in enumeration order wins.
        ClosedFormCase{
            "tieKeepsFirstSet", {0, 1, 1, 1, 1}, {1, 0, 1, 2, 3, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f}, true},
        // Plateau below the baseline: baseline 0..3 around a spike (mean 0.25),
        // plateau -4 over 4..6, back to 0 from 7; error 0.75, no other set
        // comes close.
        ClosedFormCase{"plateauBelowBaseline",
                       {1, 2, 1, 1, -3, -3, -3, 1, 1, 1},
                       {1, 3, 4, 6, 7, 0.25f, -4.0f, 0.0f, 2.0f, 1.0f},
                       false},
        // Four samples: the only set is (0, 1, 2, 3).
        ClosedFormCase{
            "fourSamples", {0, 3, 1, 2}, {1, 0, 1, 2, 3, 0.0f, 2.0f / 3.0f, 2.0f / 3.0f, 3.0f, 0.0f}, false}),
    [](const ::testing::TestParamInfo<ClosedFormCase>& info) { return info.param.name; });

TEST(TrapezoidFit, ExactTrapezoidRebuiltExactly) {
    const std::vector<float> y = {0, 0, 0, 1, 2, 2, 2, 1, 0, 0};
    const TrapezoidFit f = fitTrapezoidReference(y.data(), 10);
    EXPECT_EQ(f.fitted, y);
}

TEST(TrapezoidFit, FewerThanFourSamplesAreRefused) {
    const float y[3] = {0, 1, 0};
    for (int n : {-1, 0, 3}) {
        EXPECT_THROW(fitTrapezoid(y, n), std::invalid_argument);
        EXPECT_THROW(fitTrapezoidReference(y, n), std::invalid_argument);
    }
}

struct DegenerateCase {
    const char* name;
    std::vector<float> y;
};

class Degenerate : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(Degenerate, NoSearchAndABadFit) {
    const std::vector<float>& y = GetParam().y;
    const int n = static_cast<int>(y.size());
    for (const TrapezoidFit& f : {fitTrapezoid(y.data(), n), fitTrapezoidReference(y.data(), n)}) {
        EXPECT_TRUE(f.degenerate);
        EXPECT_EQ(f.i1, 0);
        EXPECT_EQ(f.i4, 3);
        EXPECT_EQ(f.fitted.size(), y.size());
        for (bool rtb : {true, false}) {
            const auto m = responseMeasures(f, 500.0f, rtb);
            EXPECT_TRUE(m.badFit);
            EXPECT_EQ(m.onset, -1.0f);
            EXPECT_EQ(m.width, -1.0f);
            EXPECT_EQ(m.timeToPeak, -1.0f);
            EXPECT_EQ(m.amplitude, -1.0f);
        }
    }
}

const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Curves, Degenerate,
                         ::testing::Values(DegenerateCase{"flat", {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}},
                                           DegenerateCase{"maximumFirst", {3, 2, 1, 0, 1, 2}},
                                           DegenerateCase{"notANumber", {0, 1, kNan, 1, 0, 0}},
                                           DegenerateCase{"infinite", {0, 1, kInf, 1, 0, 0}},
                                           DegenerateCase{"hugeDipAfterATinyRise", {0, 1e-20f, 0, -1, 0, 0}}),
                         [](const ::testing::TestParamInfo<DegenerateCase>& info) {
                             return info.param.name;
                         });

TEST(TrapezoidFitter, ReusesItsWorkspaceAcrossSizes) {
    latency::core::TrapezoidFitter fitter;
    const std::vector<float> big = {0, 0, 0, 1, 2, 2, 2, 1, 0, 0};
    const std::vector<float> small = {0, 1, 1, 1, 1};
    TrapezoidFit out;
    fitter.fit(big.data(), 10, out);
    EXPECT_EQ(out.i2, 4);
    fitter.fit(small.data(), 5, out);
    EXPECT_EQ(out.fitted.size(), 5u);
    EXPECT_EQ(out.i4, 3);
    fitter.fit(big.data(), 10, out);
    EXPECT_EQ(out.fitted, big);
}

// Response measures --------------------------------------------------------

TrapezoidFit handMadeFit(int n, int peak, int i1, int i3, float l0, float l1, float l2, float ymax,
                         float ymin) {
    TrapezoidFit f;
    f.samples = n;
    f.peak = peak;
    f.i1 = i1;
    f.i2 = i1 + 1;
    f.i3 = i3;
    f.i4 = i3 + 1;
    f.level0 = l0;
    f.level1 = l1;
    f.level2 = l2;
    f.ymax = ymax;
    f.ymin = ymin;
    return f;
}

struct MeasureCase {
    const char* name;
    TrapezoidFit fit;
    float dt;
    bool returnToBaseline;
    bool bad;
    float onset, width, timeToPeak, amplitude;
};

class Measures : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(Measures, FromTheBreakpointsAndLevels) {
    const MeasureCase& c = GetParam();
    const auto m = responseMeasures(c.fit, c.dt, c.returnToBaseline);
    EXPECT_EQ(m.badFit, c.bad);
    EXPECT_FLOAT_EQ(m.onset, c.onset);
    EXPECT_FLOAT_EQ(m.width, c.width);
    EXPECT_FLOAT_EQ(m.timeToPeak, c.timeToPeak);
    EXPECT_FLOAT_EQ(m.amplitude, c.amplitude);
}

// The exact trapezoid above: i1 2, i3 6, peak 4, rise 1 of range 2.
const TrapezoidFit kExact = handMadeFit(10, 4, 2, 6, 0.0f, 1.0f, 0.0f, 2.0f, 0.0f);
// The plateau-below-baseline curve: levels 0.25, -4, 0 over range 1.
const TrapezoidFit kDip = handMadeFit(10, 1, 3, 6, 0.25f, -4.0f, 0.0f, 2.0f, 1.0f);

INSTANTIATE_TEST_SUITE_P(
    Cases, Measures,
    ::testing::Values(
        // onset (2 * 500 + 100) ms, width 5 samples, peak 3 samples after i1 - 1.
        MeasureCase{"riseWithReturn", kExact, 500.0f, true, false, 1.1f, 2.6f, 1.6f, 200.0f},
        // Without return-to-baseline the time to peak runs to the plateau end.
        MeasureCase{"riseWithoutReturn", kExact, 500.0f, false, false, 1.1f, 2.6f, 2.6f, 200.0f},
        MeasureCase{"dipWithReturnIsBad", kDip, 1000.0f, true, true, -1, -1, -1, -1},
        // A dip without return: onset at i3, width to the end, amplitude the
        // recovery L2 - L1 = 4 times the range 1.
        MeasureCase{"dipWithoutReturn", kDip, 1000.0f, false, false, 6.1f, 4.1f, 4.1f, 400.0f},
        // No rise and no dip: amplitude 0 is a bad fit.
        MeasureCase{"flatPlateau", handMadeFit(8, 2, 1, 4, 0.5f, 0.5f, 0.1f, 1.0f, 0.0f), 250.0f, false, true,
                    -1, -1, -1, -1},
        // Latencies of zero samples still carry the 100 ms constant.
        MeasureCase{"onsetAtZero", handMadeFit(6, 0, 0, 2, 0.0f, 0.5f, 0.0f, 0.2f, 0.0f), 2000.0f, true,
                    false, 0.1f, 6.1f, 2.1f, 10.0f}),
    [](const ::testing::TestParamInfo<MeasureCase>& info) { return info.param.name; });

TEST(Measures, OfTheFittedExactTrapezoid) {
    const std::vector<float> y = {0, 0, 0, 0.01f, 0.02f, 0.02f, 0.02f, 0.01f, 0, 0};
    const auto m = responseMeasures(fitTrapezoid(y.data(), 10), 500.0f, true);
    EXPECT_FALSE(m.badFit);
    EXPECT_FLOAT_EQ(m.onset, 1.1f);
    EXPECT_FLOAT_EQ(m.width, 2.6f);
    EXPECT_FLOAT_EQ(m.timeToPeak, 1.6f);
    EXPECT_FLOAT_EQ(m.amplitude, 2.0f);  // 2 % signal change
}

}  // namespace
