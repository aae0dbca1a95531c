#include "granger/core/fdr.h"

#include <algorithm>
#include <cmath>

namespace granger::core {

double fdrConstant(int choice, std::size_t nrOfValues) {
    return choice == 2 ? std::log(static_cast<double>(nrOfValues)) + 0.5772 : 1.0;
}

namespace {

std::vector<float> sortedAbsNonZero(const float* v, std::size_t count) {
    std::vector<float> out;
    for (std::size_t i = 0; i < count; ++i)
        if (v[i] != 0.0f) out.push_back(std::fabs(v[i]));
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

std::vector<float> fdrThresholds(const float* real, const float* null, std::size_t count,
                                 const std::vector<float>& sortedQ, int cvChoice) {
    std::vector<float> thresholds(sortedQ.size(), 0.0f);
    const std::vector<float> a = sortedAbsNonZero(real, count);
    if (a.empty()) return thresholds;
    const std::vector<float> n = sortedAbsNonZero(null, count);
    const std::size_t V = a.size();
    const std::size_t M = n.size();
    const double c = fdrConstant(cvChoice, V);
    std::vector<bool> set(sortedQ.size(), false);
    std::size_t remaining = sortedQ.size();
    std::size_t j = M;  // 1-based pointer into the null values
    for (std::size_t i = V; i >= 1 && remaining > 0; --i) {
        const float ai = a[i - 1];
        while (j > 1 && n[j - 1] > ai) --j;
        const double p = M > 0 ? static_cast<double>(M - j) / static_cast<double>(M) : 0.0;
        const double rank = static_cast<double>(V - i + 1);
        for (std::size_t k = 0; k < sortedQ.size(); ++k) {
            if (set[k]) continue;
            if (p > rank / static_cast<double>(V) * (sortedQ[k] / c)) {
                thresholds[k] = i == V ? a[V - 1] : a[i];
                set[k] = true;
                --remaining;
            }
        }
    }
    return thresholds;
}

}  // namespace granger::core
