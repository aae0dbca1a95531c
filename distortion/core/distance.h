// Distances between two volumes (whole, or over listed voxels) and between
// two columns; sums and precision are fixed because the logged values and
// the not-a-number test depend on them.
#pragma once

#include "distortion/core/containers.h"

#include <array>
#include <cmath>
#include <vector>

namespace distortion::core {

using Position = std::array<int, 3>;

// The two costs of the trial loop, each written once for every caller (the
// whole-volume and listed-position distances, the literal and the fast
// trial loop). The sums are formed in the order values are added and in
// the precision given here: the chosen shifts depend on their rounding.
// `accumulate` takes the sums by reference so that a caller may keep them
// in arrays, one entry per neighbourhood.
struct CorrelationCost {
    // Single precision throughout, as the correlation is defined.
    struct Sums {
        float a = 0, b = 0, aa = 0, bb = 0, ab = 0, n = 0;
    };
    // The products of one pair, kept apart so that a caller adding the same
    // pair to many neighbourhoods forms them once.
    static void products(float x, float y, float& xx, float& yy, float& xy) {
        xx = x * x;
        yy = y * y;
        xy = x * y;
    }
    static void accumulateTerms(float& a, float& b, float& aa, float& bb, float& ab, float& n, float x,
                                float y, float xx, float yy, float xy) {
        a += x;
        b += y;
        aa += xx;
        bb += yy;
        ab += xy;
        n += 1.0f;
    }
    static void accumulate(float& a, float& b, float& aa, float& bb, float& ab, float& n, float x, float y) {
        float xx, yy, xy;
        products(x, y, xx, yy, xy);
        accumulateTerms(a, b, aa, bb, ab, n, x, y, xx, yy, xy);
    }
    static void add(Sums& s, float x, float y) { accumulate(s.a, s.b, s.aa, s.bb, s.ab, s.n, x, y); }
    static double correlation(float a, float b, float aa, float bb, float ab, float n) {
        const float num = n * ab - a * b;
        const float den = std::sqrt(n * aa - a * a) * std::sqrt(n * bb - b * b);
        return static_cast<double>(num / den);
    }
    static double correlation(const Sums& s) { return correlation(s.a, s.b, s.aa, s.bb, s.ab, s.n); }
    // Lower is better: minus the correlation.
    static double cost(const Sums& s) { return -correlation(s); }
};

struct SquaredDifferenceCost {
    // Differences in single precision, their squares summed in double.
    struct Sums {
        double sum = 0;
    };
    static double term(float x, float y) {
        const float d = x - y;
        return static_cast<double>(d) * d;
    }
    static void accumulate(double& sum, float x, float y) { sum += term(x, y); }
    static void add(Sums& s, float x, float y) { accumulate(s.sum, x, y); }
    static double cost(const Sums& s) { return s.sum; }
};

double ncc(const Volume& vol1, const Volume& vol2);
double ncc(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions);
double ssd(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions);
double meanSquaredDifference(const Volume& vol1, const Volume& vol2);
double meanSquaredDifferenceNonzero(const Vector& vec1, const Vector& vec2);

}  // namespace distortion::core
