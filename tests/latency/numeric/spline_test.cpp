// Cubic spline: closed forms, a dense double-precision solve of the spline
// equations as independent reference, and the resampling layout.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "latency/numeric/spline.h"

namespace ln = latency::numeric;

namespace {

std::vector<float> secondDerivatives(const std::vector<float>& x, const std::vector<float>& y,
                                     float yp1 = ln::kNaturalEndSlope, float ypn = ln::kNaturalEndSlope) {
    std::vector<float> y2(x.size());
    ln::splineSecondDerivatives(x.data(), y.data(), static_cast<int>(x.size()), yp1, ypn, y2.data());
    return y2;
}

// Natural-spline second derivatives from the textbook equations
//   h[i-1]/6 M[i-1] + (h[i-1] + h[i])/3 M[i] + h[i]/6 M[i+1]
//       = (y[i+1] - y[i]) / h[i] - (y[i] - y[i-1]) / h[i-1],  M[0] = M[n-1] = 0,
// solved densely by Gaussian elimination with partial pivoting in double.
std::vector<double> naturalSecondDerivativesDense(const std::vector<float>& x, const std::vector<float>& y) {
    const int n = static_cast<int>(x.size());
    std::vector<std::vector<double>> a(n, std::vector<double>(n + 1, 0.0));
    a[0][0] = 1.0;
    a[n - 1][n - 1] = 1.0;
    for (int i = 1; i < n - 1; ++i) {
        const double hl = double(x[i]) - x[i - 1];
        const double hr = double(x[i + 1]) - x[i];
        a[i][i - 1] = hl / 6.0;
        a[i][i] = (hl + hr) / 3.0;
        a[i][i + 1] = hr / 6.0;
        a[i][n] = (double(y[i + 1]) - y[i]) / hr - (double(y[i]) - y[i - 1]) / hl;
    }
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        std::swap(a[c], a[pivot]);
        for (int r = 0; r < n; ++r) {
            if (r == c) continue;
            const double f = a[r][c] / a[c][c];
            for (int k = c; k <= n; ++k) a[r][k] -= f * a[c][k];
        }
    }
    std::vector<double> m(n);
    for (int i = 0; i < n; ++i) m[i] = a[i][n] / a[i][i];
    return m;
}

TEST(Spline, StraightLineIsReproducedEverywhere) {
    const std::vector<float> x = {0.0f, 0.5f, 2.0f, 2.25f, 4.0f, 7.0f};
    std::vector<float> y;
    for (float v : x) y.push_back(2.0f * v + 1.0f);
    const std::vector<float> y2 = secondDerivatives(x, y);
    for (float m : y2) EXPECT_NEAR(m, 0.0f, 1e-5f);
    for (float t = 0.0f; t < 7.0f; t += 0.3f)
        EXPECT_NEAR(ln::splineValue(x.data(), y.data(), y2.data(), 6, t), 2.0f * t + 1.0f, 1e-5f);
}

TEST(Spline, ClampedEndsReproduceACubicEverywhere) {
    // A cubic satisfies every spline condition when its own end slopes are
    // imposed, so the spline is the cubic itself.
    auto cubic = [](double t) { return 0.5 * t * t * t - 2.0 * t * t + t - 3.0; };
    auto slope = [](double t) { return 1.5 * t * t - 4.0 * t + 1.0; };
    const std::vector<float> x = {-1.0f, 0.0f, 0.75f, 1.5f, 3.0f, 4.0f};
    std::vector<float> y;
    for (float v : x) y.push_back(static_cast<float>(cubic(v)));
    const std::vector<float> y2 =
        secondDerivatives(x, y, static_cast<float>(slope(-1.0)), static_cast<float>(slope(4.0)));
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(y2[i], 3.0 * x[i] - 4.0, 2e-4) << "knot " << i;
    for (float t = -1.0f; t < 4.0f; t += 0.125f)
        EXPECT_NEAR(ln::splineValue(x.data(), y.data(), y2.data(), 6, t), cubic(t), 2e-4) << "t = " << t;
}

TEST(Spline, NaturalSplineOfTheHatFunction) {
    // Points (0,0), (1,1), (2,0): M1 = -3 from 2/3 M1 = -2; at 0.5 the value
    // is 0.5 + 0.375 * 3 / 6 = 0.6875.
    const std::vector<float> x = {0.0f, 1.0f, 2.0f};
    const std::vector<float> y = {0.0f, 1.0f, 0.0f};
    const std::vector<float> y2 = secondDerivatives(x, y);
    EXPECT_FLOAT_EQ(y2[0], 0.0f);
    EXPECT_FLOAT_EQ(y2[1], -3.0f);
    EXPECT_FLOAT_EQ(y2[2], 0.0f);
    EXPECT_FLOAT_EQ(ln::splineValue(x.data(), y.data(), y2.data(), 3, 0.5f), 0.6875f);
    EXPECT_FLOAT_EQ(ln::splineValue(x.data(), y.data(), y2.data(), 3, 1.5f), 0.6875f);
}

TEST(Spline, NaturalSplineMatchesDenseSolveAndHitsTheKnots) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> step(0.2f, 2.0f);
    std::uniform_real_distribution<float> value(-5.0f, 5.0f);
    for (int trial = 0; trial < 20; ++trial) {
        const int n = 2 + trial;
        std::vector<float> x(n), y(n);
        float t = -3.0f;
        for (int i = 0; i < n; ++i) {
            x[i] = t;
            t += step(rng);
            y[i] = value(rng);
        }
        const std::vector<float> y2 = secondDerivatives(x, y);
        const std::vector<double> expected = naturalSecondDerivativesDense(x, y);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(y2[i], expected[i], 1e-3) << "n " << n;
        for (int i = 0; i + 1 < n; ++i)
            EXPECT_NEAR(ln::splineValue(x.data(), y.data(), y2.data(), n, x[i]), y[i], 1e-5);
    }
}

TEST(Spline, SinglePointHasZeroCurvature) {
    const float x = 1.0f, y = 2.0f;
    float y2 = 99.0f;
    ln::splineSecondDerivatives(&x, &y, 1, ln::kNaturalEndSlope, ln::kNaturalEndSlope, &y2);
    EXPECT_EQ(y2, 0.0f);
}

struct ResampleCase {
    int n;
    int factor;
};

class SplineResampling : public ::testing::TestWithParam<ResampleCase> {};

TEST_P(SplineResampling, EmitsFactorPointsPerIntervalThenTheLastKnot) {
    const auto [n, factor] = GetParam();
    std::vector<float> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = 2000.0f * i;  // TR of 2 s
        y[i] = std::sin(0.7f * i) + 100.0f;
    }
    const int expectedCount = (n - 1) * factor + 1;
    ASSERT_EQ(ln::resampledCount(n, factor), expectedCount);
    std::vector<float> times(expectedCount + 3, -1.0f), values(expectedCount + 3, -1.0f);
    ASSERT_EQ(ln::resampleSpline(x.data(), y.data(), n, factor, times.data(), values.data()), expectedCount);
    EXPECT_EQ(times[expectedCount], -1.0f) << "wrote past the count";
    for (int j = 0; j + 1 < n; ++j) {
        for (int k = 0; k < factor; ++k) {
            const int at = j * factor + k;
            EXPECT_FLOAT_EQ(times[at], x[j] + 2000.0f * k / factor);
            if (k == 0) {
                EXPECT_NEAR(values[at], y[j], 1e-4f);  // knots are interpolated
            }
        }
    }
    EXPECT_EQ(times[expectedCount - 1], x[n - 1]);
    EXPECT_EQ(values[expectedCount - 1], y[n - 1]);
}

INSTANTIATE_TEST_SUITE_P(Counts, SplineResampling,
                         ::testing::Values(ResampleCase{1, 3}, ResampleCase{2, 1}, ResampleCase{2, 4},
                                           ResampleCase{10, 1}, ResampleCase{10, 2}, ResampleCase{33, 3},
                                           ResampleCase{120, 4}));

TEST(Spline, FactorOneGivesTheMeasuredSamplesBack) {
    const std::vector<float> x = {0.0f, 1.5f, 3.0f, 4.5f, 6.0f};
    const std::vector<float> y = {3.0f, -1.0f, 4.0f, 1.0f, 5.0f};
    std::vector<float> t(5), v(5);
    ASSERT_EQ(ln::resampleSpline(x.data(), y.data(), 5, 1, t.data(), v.data()), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t[i], x[i]);
        EXPECT_NEAR(v[i], y[i], 1e-6f);
    }
}

// Resampling finds each sample's interval from a guess instead of searching
// from the top; every value must still be exactly splineValue's at that time.
// Irregular and very large knot times make t round onto or past a knot.
TEST(Spline, ResampledValuesAreExactlyTheSplineValuesAtTheirTimes) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> gap(0.25f, 3.0f), value(-50.0f, 50.0f);
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 2 + trial % 60;
        const int factor = 1 + trial % 4;
        const float origin = trial % 3 == 0 ? 0.0f : (trial % 3 == 1 ? 1.0e7f : 3.3e5f);
        const float scale = trial % 2 == 0 ? 1000.0f : 1.0f;
        std::vector<float> x(n), y(n);
        x[0] = origin;
        for (int i = 1; i < n; ++i) {
            float next = x[i - 1] + scale * gap(rng);
            if (!(next > x[i - 1])) next = std::nextafter(x[i - 1], 1e30f);
            x[i] = next;
        }
        for (float& v : y) v = value(rng);
        const std::vector<float> y2 = secondDerivatives(x, y);
        const int count = ln::resampledCount(n, factor);
        std::vector<float> times(count), values(count);
        ASSERT_EQ(ln::resampleSpline(x.data(), y.data(), n, factor, times.data(), values.data()), count);
        for (int i = 0; i + 1 < count; ++i) {
            const float literal = ln::splineValue(x.data(), y.data(), y2.data(), n, times[i]);
            ASSERT_EQ(std::memcmp(&values[i], &literal, sizeof(float)), 0)
                << "trial " << trial << ", sample " << i << ": " << values[i] << " vs " << literal;
        }
    }
}

TEST(Spline, ResamplingRefusesAFactorBelowOne) {
    const float x[2] = {0.0f, 1.0f}, y[2] = {0.0f, 1.0f};
    float t[4], v[4];
    EXPECT_THROW(ln::resampleSpline(x, y, 2, 0, t, v), std::invalid_argument);
    EXPECT_EQ(ln::resampleSpline(x, y, 0, 2, t, v), 0);
}

}  // namespace
