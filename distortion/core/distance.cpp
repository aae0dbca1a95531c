#include "distortion/core/distance.h"

#include "distortion/core/errors.h"

#include <cmath>

namespace distortion::core {

double ncc(const Volume& vol1, const Volume& vol2) {
    const Dimensions dim1 = vol1.dimensions(), dim2 = vol2.dimensions();
    MIREL_ASSERT(dim1 == dim2);
    CorrelationCost::Sums s;
    for (std::size_t i = 0; i < vol1.size(); ++i) CorrelationCost::add(s, vol1[i], vol2[i]);
    return CorrelationCost::correlation(s);
}

double ncc(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions) {
    MIREL_ASSERT(vol1.dimensions() == vol2.dimensions());
    CorrelationCost::Sums s;
    for (const Position& p : positions) {
        const std::size_t i = vol1.index(p[0], p[1], p[2]);
        CorrelationCost::add(s, vol1[i], vol2[i]);
    }
    return CorrelationCost::correlation(s);
}

double ssd(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions) {
    MIREL_ASSERT(vol1.dimensions() == vol2.dimensions());
    SquaredDifferenceCost::Sums s;
    for (const Position& p : positions) {
        const std::size_t i = vol1.index(p[0], p[1], p[2]);
        SquaredDifferenceCost::add(s, vol1[i], vol2[i]);
    }
    return SquaredDifferenceCost::cost(s);
}

double meanSquaredDifference(const Volume& vol1, const Volume& vol2) {
    const Dimensions dim1 = vol1.dimensions(), dim2 = vol2.dimensions();
    MIREL_ASSERT(dim1 == dim2);
    SquaredDifferenceCost::Sums s;
    for (std::size_t i = 0; i < vol1.size(); ++i) SquaredDifferenceCost::add(s, vol1[i], vol2[i]);
    return s.sum / static_cast<double>(vol1.size());
}

double meanSquaredDifferenceNonzero(const Vector& vec1, const Vector& vec2) {
    MIREL_ASSERT(vec1.size() == vec2.size());
    double sum = 0.0;
    int counted = 0;
    for (int i = 0; i < vec1.size(); ++i) {
        if (vec1[i] == 0.0f || vec2[i] == 0.0f) continue;
        SquaredDifferenceCost::accumulate(sum, vec1[i], vec2[i]);
        ++counted;
    }
    return sum / (counted > 0 ? counted : 1);
}

}  // namespace distortion::core
