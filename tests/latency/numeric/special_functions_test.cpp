// Log-gamma, incomplete beta and Student-t against closed forms and the
// standard library.

#include <gtest/gtest.h>

#include <cmath>

#include "latency/numeric/special_functions.h"

namespace ln = latency::numeric;

namespace {

const double kPi = 3.14159265358979323846;

TEST(LogGamma, AgreesWithStdLgamma) {
    for (double x : {0.1, 0.5, 1.0, 1.5, 2.0, 3.7, 5.0, 10.0, 25.25, 55.5, 100.0, 170.0}) {
        const double expected = std::lgamma(x);
        EXPECT_NEAR(ln::logGamma(x), expected, 1e-9 * std::max(1.0, std::fabs(expected))) << "x = " << x;
    }
    EXPECT_NEAR(ln::logGamma(1.0), 0.0, 1e-10);
    EXPECT_NEAR(ln::logGamma(0.5), 0.5 * std::log(kPi), 1e-10);
}

TEST(IncompleteBeta, ClosedForms) {
    for (float x : {0.01f, 0.1f, 0.25f, 0.5f, 0.6f, 0.9f, 0.99f}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR(ln::incompleteBeta(1.0f, 1.0f, x), x, 1e-6);
        for (float a : {0.5f, 2.0f, 3.5f, 10.0f}) {
            EXPECT_NEAR(ln::incompleteBeta(a, 1.0f, x), std::pow(x, a), 2e-6);
            EXPECT_NEAR(ln::incompleteBeta(1.0f, a, x), 1.0 - std::pow(1.0 - x, a), 2e-6);
        }
        // I_x(1/2, 1/2) = 2/pi asin(sqrt(x)).
        EXPECT_NEAR(ln::incompleteBeta(0.5f, 0.5f, x), 2.0 / kPi * std::asin(std::sqrt(x)), 2e-6);
        // I_x(2, 2) = 3x^2 - 2x^3.
        EXPECT_NEAR(ln::incompleteBeta(2.0f, 2.0f, x), 3.0 * x * x - 2.0 * x * x * x, 2e-6);
    }
}

TEST(IncompleteBeta, SymmetryAndReflection) {
    for (float a : {0.5f, 1.0f, 3.0f, 7.5f, 20.0f})
        EXPECT_NEAR(ln::incompleteBeta(a, a, 0.5f), 0.5f, 2e-6) << a;
    for (float x : {0.05f, 0.3f, 0.7f, 0.95f})
        EXPECT_NEAR(ln::incompleteBeta(2.5f, 4.0f, x), 1.0f - ln::incompleteBeta(4.0f, 2.5f, 1.0f - x), 2e-6)
            << x;
}

TEST(IncompleteBeta, DomainEdges) {
    EXPECT_EQ(ln::incompleteBeta(2.0f, 3.0f, -0.1f), 0.0f);
    EXPECT_EQ(ln::incompleteBeta(2.0f, 3.0f, 1.5f), 0.0f);
    EXPECT_EQ(ln::incompleteBeta(2.0f, 3.0f, 0.0f), 0.0f);
    EXPECT_EQ(ln::incompleteBeta(2.0f, 3.0f, 1.0f), 1.0f);
}

TEST(StudentT, TwoSidedTailClosedForms) {
    for (float t : {0.0f, 0.3f, 1.0f, 2.0f, 4.5f, 12.0f}) {
        SCOPED_TRACE(t);
        // One degree of freedom (Cauchy): 1 - 2/pi atan|t|.
        EXPECT_NEAR(ln::studentTwoSidedTail(t, 1), 1.0 - 2.0 / kPi * std::atan(t), 2e-6);
        // Two degrees of freedom: 1 - t / sqrt(2 + t^2).
        EXPECT_NEAR(ln::studentTwoSidedTail(t, 2), 1.0 - t / std::sqrt(2.0 + t * t), 2e-6);
    }
    EXPECT_NEAR(ln::studentTwoSidedTail(-2.0f, 2), ln::studentTwoSidedTail(2.0f, 2), 1e-7);
}

TEST(StudentT, InverseFindsTheCriticalValue) {
    // Two-sided 2.5 % and 5 % points of t with 10 degrees of freedom.
    EXPECT_NEAR(ln::studentTInverse(0.025f, 10), 2.634, 5e-3);
    EXPECT_NEAR(ln::studentTInverse(0.05f, 10), 2.228, 5e-3);
    // Cauchy: tail 0.5 at t = 1, tail 0.1 at t = tan(0.45 pi).
    EXPECT_NEAR(ln::studentTInverse(0.5f, 1), 1.0, 5e-3);
    EXPECT_NEAR(ln::studentTInverse(0.1f, 1), std::tan(0.45 * kPi), 5e-3);
    // The search ends where the tail matches p.
    const float t = ln::studentTInverse(0.01f, 25);
    EXPECT_NEAR(ln::studentTwoSidedTail(t, 25), 0.01f, 2e-4);
}

}  // namespace
