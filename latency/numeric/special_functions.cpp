#include "latency/numeric/special_functions.h"

#include <cmath>

namespace latency::numeric {

double logGamma(double x) {
    static const double coefficients[6] = {76.18009172947146,  -86.50532032941677,    24.01409824083091,
                                           -1.231739572450155, 0.1208650973866179e-2, -0.5395239384953e-5};
    double tmp = x + 5.5;
    tmp -= (x + 0.5) * std::log(tmp);
    double series = 1.000000000190015;
    double denominator = x;
    for (double c : coefficients) {
        denominator += 1.0;
        series += c / denominator;
    }
    return -tmp + std::log(2.5066282746310005 * series / x);
}

double incompleteBetaFraction(double a, double b, double x) {
    constexpr int kMaxIterations = 100;
    constexpr double kEps = 3.0e-7;
    constexpr double kFpMin = 1.0e-30;  // keeps the Lentz denominators off zero

    auto guard = [](double v) { return std::fabs(v) < kFpMin ? kFpMin : v; };

    const double qab = a + b;
    const double qap = a + 1.0;
    const double qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 / guard(1.0 - qab * x / qap);
    double h = d;
    for (int m = 1; m <= kMaxIterations; ++m) {
        const double m2 = 2.0 * m;
        // Even step of the fraction.
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1.0 / guard(1.0 + aa * d);
        c = guard(1.0 + aa / c);
        h *= d * c;
        // Odd step.
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1.0 / guard(1.0 + aa * d);
        c = guard(1.0 + aa / c);
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < kEps) break;
    }
    return h;
}

float incompleteBeta(float a, float b, float x) {
    if (x < 0.0f || x > 1.0f) return 0.0f;
    const double da = a;
    const double db = b;
    const double dx = x;
    double front = 0.0;
    if (x != 0.0f && x != 1.0f) {
        front = std::exp(logGamma(da + db) - logGamma(da) - logGamma(db) + da * std::log(dx) +
                         db * std::log(1.0 - dx));
    }
    // The fraction converges fast only below (a + 1) / (a + b + 2); above it
    // the symmetry I_x(a, b) = 1 - I_{1-x}(b, a) is used.
    if (dx < (da + 1.0) / (da + db + 2.0))
        return static_cast<float>(front * incompleteBetaFraction(da, db, dx) / da);
    return static_cast<float>(1.0 - front * incompleteBetaFraction(db, da, 1.0 - dx) / db);
}

float studentTwoSidedTail(float t, int nu) {
    const float fnu = static_cast<float>(nu);
    return incompleteBeta(0.5f * fnu, 0.5f, fnu / (fnu + t * t));
}

float studentTInverse(float p, int nu) {
    float t = 4.0f;
    float step = 2.0f;
    int direction = +1;
    for (int i = 0; i < 25; ++i) {
        if (p > studentTwoSidedTail(t, nu)) {
            // Tail too small: t is too large.
            if (direction == +1) step *= 0.5f;
            t -= step;
            direction = -1;
        } else {
            if (direction == -1) step *= 0.5f;
            t += step;
            direction = +1;
        }
    }
    return t;
}

}  // namespace latency::numeric
