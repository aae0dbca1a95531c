// Fast exact breakpoint search.
//
// With prefix sums of z, i z and z^2 the error of any breakpoint set is
// O(1). For a fixed plateau (i2, i3) the plateau level L1 is fixed and the
// error splits into
//     left(i1; L1) + plateau(i2, i3) + right(i4; L1),
// where left covers the baseline and the rise and right covers the fall and
// the return level; each is a quadratic in L1 whose coefficients depend only
// on (i1, i2) or (i3, i4). The best i1 and i4 are therefore found
// independently: O(n^3) in all instead of C(n, 4) * n.
//
// The literal search ranks sets by a single-precision error, whose rounding
// can reorder near-ties (and exact ties decide by enumeration order). So the
// fast error only narrows the field: every set whose fast error lies within
// a rigorous bound of the rounding difference above the minimum is re-scored
// with the literal error, and the smallest literal error wins, the first set
// in enumeration order among equals. The result is the literal search's.

#include <algorithm>
#include <cmath>
#include <limits>

#include "latency/core/trapezoid_fit.h"
#include "latency/core/trapezoid_model.h"

namespace latency::core {
namespace {

constexpr double kFloatUnit = 0x1p-24;   // unit roundoff of float
constexpr double kDoubleUnit = 0x1p-53;  // unit roundoff of double

// Error quadratic c0 + c1 L + c2 L^2 at plateau level L.
inline double quadratic(const double* c, double level) {
    return c[0] + level * (c[1] + level * c[2]);
}

// Bound on |literal error - exact error| for a set of exact error e, with
// n samples and max |z| = zmax (first-order rounding analysis):
//  - a level is a float mean, off by at most (n - 1) u zmax, and the ramp
//    and the difference add at most 10 u zmax, so each difference is off by
//    eps = (n + 11) u zmax, and the sum of squares by 2 eps sqrt(n e) + n eps^2;
//  - summing n squares in float adds a relative n u.
// slack covers the double rounding of the fast error itself.
double roundingBound(double e, int n, double zmax, double slack) {
    const double dn = n;
    const double eps = (dn + 11.0) * kFloatUnit * zmax;
    const double squares = 2.0 * eps * std::sqrt(dn * std::max(e, 0.0)) + dn * eps * eps;
    return squares + 1.01 * dn * kFloatUnit * (std::max(e, 0.0) + squares) + slack;
}

// The smallest of the quadratics c[3 from] .. c[3 (to - 1)] at one level.
// A minimum is exact in any order, so four running minima are kept: they do
// not wait on one another.
inline double minimumAt(const double* c, int from, int to, double level) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    double m0 = inf, m1 = inf, m2 = inf, m3 = inf;
    int i = from;
    for (; i + 4 <= to; i += 4) {
        m0 = std::min(m0, quadratic(c + 3 * i, level));
        m1 = std::min(m1, quadratic(c + 3 * (i + 1), level));
        m2 = std::min(m2, quadratic(c + 3 * (i + 2), level));
        m3 = std::min(m3, quadratic(c + 3 * (i + 3), level));
    }
    for (; i < to; ++i) m0 = std::min(m0, quadratic(c + 3 * i, level));
    return std::min(std::min(m0, m1), std::min(m2, m3));
}

// The least value of c0 + c1 L + c2 L^2 over every level L. c2 is 0 only
// for a one-step ramp (no interior samples), where c1 is 0 as well.
inline double floorOf(const double* c) {
    return c[2] > 0.0 ? c[0] - c[1] * c[1] / (4.0 * c[2]) : c[0];
}

bool lexicallyBefore(const int a[4], const int b[4]) {
    return std::lexicographical_compare(a, a + 4, b, b + 4);
}

}  // namespace

// Band of fast errors that may hold the literal minimum: the literal best
// set's fast error exceeds the fast minimum by at most the rounding bounds of
// both sets (the bound grows with the error, so it is taken at a fixed point
// above the minimum), doubled for safety. Never decreases as best grows,
// also in floating point (every step is monotone).
double TrapezoidFitter::Band::limit(double best) const {
    const double atBest = roundingBound(best + slack, n, zmax, slack);
    double reach = best + slack + atBest;
    for (int it = 0; it < 4; ++it) reach = best + slack + atBest + roundingBound(reach, n, zmax, slack);
    return best + 2.0 * (atBest + roundingBound(reach, n, zmax, slack));
}

// Pass 1. Fills pairBest_ with each plateau's smallest fast error (+inf for
// a plateau skipped as out of reach) and returns the smallest of all.
//
// A plateau's error is at least floor(left, i2) + plateau + floor(right, i3),
// the floors being the least left and right errors over every level. When
// that bound less slack exceeds the band limit of an error already found,
// the plateau's own error lies above the final band (the limit never
// decreases with the minimum) and it can neither be the minimum nor be
// re-scored; it is skipped. slack exceeds by far the rounding of the floors,
// the bound and the fast error (all a few units of n * zmax^2 * 2^-53).
// Starting from the plateau with the least bound finds a small error first.
double TrapezoidFitter::scanPlateaus(int n, const double* p0, const double* p2, const Band& band) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    double* leftFloor = leftFloor_.data();
    double* rightFloor = rightFloor_.data();
    for (int i2 = 1; i2 <= n - 3; ++i2) {
        const double* lc = &left_[3 * static_cast<std::size_t>(i2) * n];
        double f = inf;
        for (int i1 = 0; i1 < i2; ++i1) f = std::min(f, floorOf(lc + 3 * i1));
        leftFloor[i2] = f;
    }
    for (int i3 = 2; i3 <= n - 2; ++i3) {
        const double* rc = &right_[3 * static_cast<std::size_t>(i3) * n];
        double f = inf;
        for (int i4 = i3 + 1; i4 < n; ++i4) f = std::min(f, floorOf(rc + 3 * i4));
        rightFloor[i3] = f;
    }
    auto plateauOf = [&](int i2, int i3, double& level1) {
        const double sum = p0[i3 + 1] - p0[i2];
        level1 = sum / (i3 - i2 + 1);
        return (p2[i3 + 1] - p2[i2]) - sum * level1;
    };
    auto errorOf = [&](int i2, int i3) {
        double level1 = 0.0;
        const double plateau = plateauOf(i2, i3, level1);
        const double leftMin = minimumAt(&left_[3 * static_cast<std::size_t>(i2) * n], 0, i2, level1);
        const double rightMin = minimumAt(&right_[3 * static_cast<std::size_t>(i3) * n], i3 + 1, n, level1);
        return leftMin + plateau + rightMin;
    };

    double* pairBest = pairBest_.data();
    double least = inf;
    int seed2 = 1, seed3 = 2;
    for (int i2 = 1; i2 <= n - 3; ++i2) {
        for (int i3 = i2 + 1; i3 <= n - 2; ++i3) {
            double level1 = 0.0;
            const double bound = leftFloor[i2] + plateauOf(i2, i3, level1) + rightFloor[i3];
            pairBest[static_cast<std::size_t>(i2) * n + i3] = bound;
            if (bound < least) {
                least = bound;
                seed2 = i2;
                seed3 = i3;
            }
        }
    }
    double best = errorOf(seed2, seed3);
    double cut = band.limit(best);
    for (int i2 = 1; i2 <= n - 3; ++i2) {
        for (int i3 = i2 + 1; i3 <= n - 2; ++i3) {
            double& entry = pairBest[static_cast<std::size_t>(i2) * n + i3];
            if (entry - band.slack > cut) {
                entry = inf;
                continue;
            }
            entry = errorOf(i2, i3);
            if (entry < best) {
                best = entry;
                cut = band.limit(best);
            }
        }
    }
    return best;
}

void TrapezoidFitter::prepare(int n) {
    if (n <= capacity_) return;
    const auto un = static_cast<std::size_t>(n);
    z_.resize(un);
    model_.resize(un);
    prefix_.resize(3 * (un + 1));
    left_.resize(3 * un * un);
    right_.resize(3 * un * un);
    pairBest_.resize(un * un);
    leftValue_.resize(un);
    leftFloor_.resize(un);
    rightFloor_.resize(un);
    rightValue_.resize(un);
    capacity_ = n;
}

TrapezoidFit TrapezoidFitter::fit(const float* y, int n) {
    TrapezoidFit out;
    fit(y, n, out);
    return out;
}

void TrapezoidFitter::fit(const float* y, int n, TrapezoidFit& out) {
    trapezoid::requireBreakpointSets(n);
    prepare(n);
    float* z = z_.data();
    const trapezoid::Normalisation norm = trapezoid::normalise(y, n, z);
    if (norm.degenerate) {
        trapezoid::finishFit(z, n, norm, 0, 1, 2, 3, out);
        return;
    }

    // Prefix sums: p0[k] = sum z[i], p1[k] = sum i z[i], p2[k] = sum z[i]^2
    // over i < k.
    double* p0 = prefix_.data();
    double* p1 = p0 + (n + 1);
    double* p2 = p1 + (n + 1);
    p0[0] = p1[0] = p2[0] = 0.0;
    double zmax = 0.0;
    for (int i = 0; i < n; ++i) {
        const double v = z[i];
        p0[i + 1] = p0[i] + v;
        p1[i + 1] = p1[i] + i * v;
        p2[i + 1] = p2[i] + v * v;
        zmax = std::max(zmax, std::fabs(v));
    }
    // Sums over [a, b]; empty (0) when b < a.
    auto s0 = [&](int a, int b) { return b < a ? 0.0 : p0[b + 1] - p0[a]; };
    auto s1 = [&](int a, int b) { return b < a ? 0.0 : p1[b + 1] - p1[a]; };
    auto s2 = [&](int a, int b) { return b < a ? 0.0 : p2[b + 1] - p2[a]; };

    // Sums of t^2 (= of (1 - t)^2) and of t (1 - t) over the ramp interior,
    // t = k / d for k = 1 .. d - 1.
    auto sumT2 = [](double d) { return (d - 1.0) * (2.0 * d - 1.0) / (6.0 * d); };
    auto sumT1mT = [](double d) { return (d - 1.0) * (d + 1.0) / (6.0 * d); };

    // Left quadratics: baseline [0, i1] at its mean L0, rise interior
    // g = L0 (1 - t) + L1 t.
    for (int i2 = 1; i2 <= n - 3; ++i2) {
        for (int i1 = 0; i1 < i2; ++i1) {
            const double s0Base = s0(0, i1);
            const double level0 = s0Base / (i1 + 1);
            const double base = s2(0, i1) - s0Base * level0;
            const double d = i2 - i1;
            const double sz = s0(i1 + 1, i2 - 1);
            const double szz = s2(i1 + 1, i2 - 1);
            const double stz = (s1(i1 + 1, i2 - 1) - i1 * sz) / d;
            const double st2 = sumT2(d);
            const double sw2 = szz - 2.0 * level0 * (sz - stz) + level0 * level0 * st2;
            const double stw = stz - level0 * sumT1mT(d);
            double* c = &left_[3 * (static_cast<std::size_t>(i2) * n + i1)];
            c[0] = base + sw2;
            c[1] = -2.0 * stw;
            c[2] = st2;
        }
    }
    // Right quadratics: return level [i4, n-1] at its mean L2, fall interior
    // g = L1 (1 - t) + L2 t.
    for (int i3 = 2; i3 <= n - 2; ++i3) {
        for (int i4 = i3 + 1; i4 < n; ++i4) {
            const double s0Back = s0(i4, n - 1);
            const double level2 = s0Back / (n - i4);
            const double back = s2(i4, n - 1) - s0Back * level2;
            const double e = i4 - i3;
            const double sz = s0(i3 + 1, i4 - 1);
            const double szz = s2(i3 + 1, i4 - 1);
            const double stz = (s1(i3 + 1, i4 - 1) - i3 * sz) / e;
            const double st2 = sumT2(e);
            const double sv2 = szz - 2.0 * level2 * stz + level2 * level2 * st2;
            const double s1mtv = (sz - stz) - level2 * sumT1mT(e);
            double* c = &right_[3 * (static_cast<std::size_t>(i3) * n + i4)];
            c[0] = back + sv2;
            c[1] = -2.0 * s1mtv;
            c[2] = st2;
        }
    }

    // Pass 1: the smallest fast error over all sets, and per plateau the
    // smallest over its i1 and i4. Plateaus that cannot reach the band are
    // skipped (see scanPlateaus).
    const double dn = n;
    const double slack = (64.0 * dn * dn * dn + 512.0 * dn * dn) * kDoubleUnit * zmax * zmax;
    const Band band{n, zmax, slack};
    const double best = scanPlateaus(n, p0, p2, band);
    const double threshold = band.limit(best);

    // Pass 2: re-score every set in the band with the literal error.
    const double inf = std::numeric_limits<double>::infinity();
    int chosen[4] = {0, 1, 2, 3};
    float chosenError = std::numeric_limits<float>::infinity();
    bool found = false;
    double* leftValue = leftValue_.data();
    double* rightValue = rightValue_.data();
    for (int i2 = 1; i2 <= n - 3; ++i2) {
        for (int i3 = i2 + 1; i3 <= n - 2; ++i3) {
            if (!(pairBest_[static_cast<std::size_t>(i2) * n + i3] <= threshold)) continue;
            const double sum = s0(i2, i3);
            const double level1 = sum / (i3 - i2 + 1);
            const double plateau = s2(i2, i3) - sum * level1;
            const double* lc = &left_[3 * static_cast<std::size_t>(i2) * n];
            const double* rc = &right_[3 * static_cast<std::size_t>(i3) * n];
            double rightMin = inf;
            for (int i4 = i3 + 1; i4 < n; ++i4) {
                rightValue[i4] = quadratic(rc + 3 * i4, level1);
                rightMin = std::min(rightMin, rightValue[i4]);
            }
            for (int i1 = 0; i1 < i2; ++i1) {
                leftValue[i1] = quadratic(lc + 3 * i1, level1);
                if (!(leftValue[i1] + plateau + rightMin <= threshold)) continue;
                for (int i4 = i3 + 1; i4 < n; ++i4) {
                    if (!(leftValue[i1] + plateau + rightValue[i4] <= threshold)) continue;
                    const int candidate[4] = {i1, i2, i3, i4};
                    const float e = trapezoid::setError(z, n, i1, i2, i3, i4, model_.data());
                    if (!found || e < chosenError ||
                        (e == chosenError && lexicallyBefore(candidate, chosen))) {
                        std::copy(candidate, candidate + 4, chosen);
                        chosenError = e;
                        found = true;
                    }
                }
            }
        }
    }

    trapezoid::finishFit(z, n, norm, chosen[0], chosen[1], chosen[2], chosen[3], out);
}

TrapezoidFit fitTrapezoid(const float* y, int n) {
    TrapezoidFitter fitter;
    return fitter.fit(y, n);
}

}  // namespace latency::core
