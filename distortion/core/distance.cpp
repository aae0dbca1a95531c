#include "distortion/core/distance.h"

#include "distortion/core/errors.h"

#include <cmath>

namespace distortion::core {
namespace {

struct CorrelationSums {
    float a = 0, b = 0, aa = 0, bb = 0, ab = 0, n = 0;
    void add(float x, float y) {
        a += x;
        b += y;
        aa += x * x;
        bb += y * y;
        ab += x * y;
        n += 1.0f;
    }
    double value() const {
        const float num = n * ab - a * b;
        const float den = std::sqrt(n * aa - a * a) * std::sqrt(n * bb - b * b);
        return static_cast<double>(num / den);
    }
};

}  // namespace

double ncc(const Volume& vol1, const Volume& vol2) {
    const Dimensions dim1 = vol1.dimensions(), dim2 = vol2.dimensions();
    MIREL_ASSERT(dim1 == dim2);
    CorrelationSums s;
    for (std::size_t i = 0; i < vol1.size(); ++i) s.add(vol1[i], vol2[i]);
    return s.value();
}

double ncc(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions) {
    MIREL_ASSERT(vol1.dimensions() == vol2.dimensions());
    CorrelationSums s;
    for (const Position& p : positions) {
        const std::size_t i = vol1.index(p[0], p[1], p[2]);
        s.add(vol1[i], vol2[i]);
    }
    return s.value();
}

double ssd(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions) {
    MIREL_ASSERT(vol1.dimensions() == vol2.dimensions());
    double sum = 0.0;
    for (const Position& p : positions) {
        const std::size_t i = vol1.index(p[0], p[1], p[2]);
        const float d = vol1[i] - vol2[i];
        sum += static_cast<double>(d) * d;
    }
    return sum;
}

double meanSquaredDifference(const Volume& vol1, const Volume& vol2) {
    const Dimensions dim1 = vol1.dimensions(), dim2 = vol2.dimensions();
    MIREL_ASSERT(dim1 == dim2);
    double sum = 0.0;
    for (std::size_t i = 0; i < vol1.size(); ++i) {
        const float d = vol1[i] - vol2[i];
        sum += static_cast<double>(d) * d;
    }
    return sum / static_cast<double>(vol1.size());
}

double meanSquaredDifferenceNonzero(const Vector& vec1, const Vector& vec2) {
    MIREL_ASSERT(vec1.size() == vec2.size());
    double sum = 0.0;
    int counted = 0;
    for (int i = 0; i < vec1.size(); ++i) {
        if (vec1[i] == 0.0f || vec2[i] == 0.0f) continue;
        const float d = vec1[i] - vec2[i];
        sum += static_cast<double>(d) * d;
        ++counted;
    }
    return sum / (counted > 0 ? counted : 1);
}

}  // namespace distortion::core
