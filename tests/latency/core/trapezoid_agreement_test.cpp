// The fast breakpoint search against the literal one: on many curves of
// every shape the two must choose the same breakpoints (ties included) and
// so give identical levels, fitted curves and response measures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "latency/core/trapezoid_fit.h"

namespace {

using latency::core::TrapezoidFit;

enum class Shape {
    Random,          // independent uniform values
    NoisyTrapezoid,  // trapezoid in fractional signal change plus noise
    Flat,            // constant, or constant plus a few float ulps
    SmallIntegers,   // values 0..3: many exactly equal errors
    Tenths,          // multiples of 0.1: near-ties that rounding decides
    StepTrapezoid,   // trapezoid rounded to 0, 1, 2
    EqualMaxima,     // the maximum repeated at several places
    PlateauBelow,    // plateau below the baseline after an early bump
    Alternating,     // 0 1 0 1 ... and similar periodic patterns
};

const char* shapeName(Shape s) {
    switch (s) {
        case Shape::Random:
            return "Random";
        case Shape::NoisyTrapezoid:
            return "NoisyTrapezoid";
        case Shape::Flat:
            return "Flat";
        case Shape::SmallIntegers:
            return "SmallIntegers";
        case Shape::Tenths:
            return "Tenths";
        case Shape::StepTrapezoid:
            return "StepTrapezoid";
        case Shape::EqualMaxima:
            return "EqualMaxima";
        case Shape::PlateauBelow:
            return "PlateauBelow";
        case Shape::Alternating:
            return "Alternating";
    }
    return "?";
}

// A trapezoid with random breakpoints and levels over n samples.
std::vector<float> trapezoid(int n, std::mt19937& rng, float base, float plateau, float back) {
    std::uniform_int_distribution<int> pick(0, n - 1);
    int b[4];
    do {
        for (int& v : b) v = pick(rng);
        std::sort(b, b + 4);
    } while (!(b[0] < b[1] && b[1] < b[2] && b[2] < b[3]));
    std::vector<float> y(n);
    for (int i = 0; i < n; ++i) {
        if (i <= b[0])
            y[i] = base;
        else if (i < b[1])
            y[i] = base + (plateau - base) * float(i - b[0]) / float(b[1] - b[0]);
        else if (i <= b[2])
            y[i] = plateau;
        else if (i < b[3])
            y[i] = plateau + (back - plateau) * float(i - b[2]) / float(b[3] - b[2]);
        else
            y[i] = back;
    }
    return y;
}

std::vector<float> makeCurve(Shape shape, int n, std::mt19937& rng) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::normal_distribution<float> gauss(0.0f, 1.0f);
    std::vector<float> y(n);
    switch (shape) {
        case Shape::Random:
            for (float& v : y) v = 2.0f * unit(rng) - 1.0f;
            break;
        case Shape::NoisyTrapezoid: {
            const float amp = 0.005f + 0.03f * unit(rng);
            y = trapezoid(n, rng, 0.0f, amp, amp * (unit(rng) - 0.3f));
            const float sigma = amp * std::vector<float>{0.01f, 0.1f, 0.3f, 1.0f}[rng() % 4];
            for (float& v : y) v += sigma * gauss(rng);
            break;
        }
        case Shape::Flat: {
            const float level = 1000.0f * unit(rng);
            for (float& v : y) {
                v = level;
                if (rng() % 2) v = std::nextafter(v, 2000.0f);  // ulp-sized wiggles
            }
            if (rng() % 4 == 0) std::fill(y.begin(), y.end(), level);  // exactly flat
            break;
        }
        case Shape::SmallIntegers:
            for (float& v : y) v = float(rng() % 4);
            break;
        case Shape::Tenths:
            for (float& v : y) v = 0.1f * float(rng() % 6);
            break;
        case Shape::StepTrapezoid:
            y = trapezoid(n, rng, 0.0f, 2.0f, float(rng() % 2));
            for (float& v : y) v = std::round(v + 0.6f * (unit(rng) - 0.5f));
            break;
        case Shape::EqualMaxima: {
            for (float& v : y) v = std::round(8.0f * unit(rng)) / 8.0f;
            const float top = *std::max_element(y.begin(), y.end());
            for (int k = 0; k < 3; ++k) y[rng() % n] = top;
            break;
        }
        case Shape::PlateauBelow: {
            y = trapezoid(n, rng, 0.01f, -0.02f - 0.02f * unit(rng), 0.01f * unit(rng));
            y[1 + rng() % std::max(1, n / 4)] += 0.005f;  // bump so the peak is not first
            for (float& v : y) v += 0.002f * gauss(rng);
            break;
        }
        case Shape::Alternating: {
            const int period = 2 + int(rng() % 3);
            for (int i = 0; i < n; ++i) y[i] = float((i + 1) % period);
            break;
        }
    }
    return y;
}

std::string describe(const std::vector<float>& y) {
    std::ostringstream out;
    out.precision(9);
    out << "n = " << y.size() << ", y = {";
    for (std::size_t i = 0; i < y.size(); ++i) out << (i ? ", " : "") << y[i];
    out << "}";
    return out.str();
}

// Empty when the fits agree in every field, else what differs.
std::string differences(const TrapezoidFit& fast, const TrapezoidFit& literal) {
    std::ostringstream out;
    auto bp = [](const TrapezoidFit& f) {
        std::ostringstream s;
        s << "(" << f.i1 << ", " << f.i2 << ", " << f.i3 << ", " << f.i4 << ")";
        return s.str();
    };
    if (fast.i1 != literal.i1 || fast.i2 != literal.i2 || fast.i3 != literal.i3 || fast.i4 != literal.i4)
        out << " breakpoints fast " << bp(fast) << " literal " << bp(literal);
    if (fast.peak != literal.peak) out << " peak";
    if (fast.degenerate != literal.degenerate) out << " degenerate";
    if (fast.level0 != literal.level0 || fast.level1 != literal.level1 || fast.level2 != literal.level2)
        out << " levels";
    if (fast.ymax != literal.ymax || fast.ymin != literal.ymin) out << " range";
    if (fast.fitted != literal.fitted) out << " fitted curve";
    for (bool rtb : {true, false}) {
        const auto a = latency::core::responseMeasures(fast, 375.0f, rtb);
        const auto b = latency::core::responseMeasures(literal, 375.0f, rtb);
        if (a.badFit != b.badFit || a.onset != b.onset || a.width != b.width ||
            a.timeToPeak != b.timeToPeak || a.amplitude != b.amplitude)
            out << " measures(rtb=" << rtb << ")";
    }
    return out.str();
}

struct AgreementCase {
    Shape shape;
    int curves;
    int minSamples;
    int maxSamples;
    unsigned seed;
};

void PrintTo(const AgreementCase& c, std::ostream* out) {
    *out << shapeName(c.shape) << " x " << c.curves << ", n " << c.minSamples << ".." << c.maxSamples
         << ", seed " << c.seed;
}

class FastMatchesLiteral : public ::testing::TestWithParam<AgreementCase> {};

TEST_P(FastMatchesLiteral, SameFitOnEveryCurve) {
    const AgreementCase& c = GetParam();
    std::mt19937 rng(c.seed);
    std::uniform_int_distribution<int> length(c.minSamples, c.maxSamples);
    latency::core::TrapezoidFitter fitter;
    int failures = 0;
    for (int k = 0; k < c.curves; ++k) {
        const int n = length(rng);
        const std::vector<float> y = makeCurve(c.shape, n, rng);
        const std::string diff =
            differences(fitter.fit(y.data(), n), latency::core::fitTrapezoidReference(y.data(), n));
        if (!diff.empty()) {
            ADD_FAILURE() << shapeName(c.shape) << " curve " << k << ":" << diff << "\n" << describe(y);
            if (++failures == 5) return;
        }
    }
}

// 9 shapes x 1120 curves = 10,080 curves with n = 4 ... 40, and 36 longer
// ones up to n = 100.
INSTANTIATE_TEST_SUITE_P(UpTo40, FastMatchesLiteral,
                         ::testing::Values(AgreementCase{Shape::Random, 1120, 4, 40, 11},
                                           AgreementCase{Shape::NoisyTrapezoid, 1120, 4, 40, 12},
                                           AgreementCase{Shape::Flat, 1120, 4, 40, 13},
                                           AgreementCase{Shape::SmallIntegers, 1120, 4, 40, 14},
                                           AgreementCase{Shape::Tenths, 1120, 4, 40, 15},
                                           AgreementCase{Shape::StepTrapezoid, 1120, 4, 40, 16},
                                           AgreementCase{Shape::EqualMaxima, 1120, 4, 40, 17},
                                           AgreementCase{Shape::PlateauBelow, 1120, 4, 40, 18},
                                           AgreementCase{Shape::Alternating, 1120, 4, 40, 19}),
                         [](const ::testing::TestParamInfo<AgreementCase>& info) {
                             return std::string(shapeName(info.param.shape));
                         });

INSTANTIATE_TEST_SUITE_P(UpTo100, FastMatchesLiteral,
                         ::testing::Values(AgreementCase{Shape::Random, 6, 41, 100, 21},
                                           AgreementCase{Shape::NoisyTrapezoid, 8, 41, 100, 22},
                                           AgreementCase{Shape::SmallIntegers, 6, 41, 100, 23},
                                           AgreementCase{Shape::Tenths, 6, 41, 100, 24},
                                           AgreementCase{Shape::StepTrapezoid, 5, 41, 100, 25},
                                           AgreementCase{Shape::PlateauBelow, 5, 41, 100, 26}),
                         [](const ::testing::TestParamInfo<AgreementCase>& info) {
                             return std::string(shapeName(info.param.shape));
                         });

}  // namespace
