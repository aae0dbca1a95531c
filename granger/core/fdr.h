// False-discovery-rate thresholds of a map against its null (surrogate) map.
#pragma once

#include <vector>

namespace granger::core {

// c(V) = 1 for choice 1, ln V + 0.5772 for choice 2.
double fdrConstant(int choice, std::size_t nrOfValues);

// Thresholds, one per q of `sortedQ` (ascending), from the absolute non-zero
// values of `real` and `null`. A rate whose threshold is never set keeps 0;
// with no non-zero real value every threshold is 0.
std::vector<float> fdrThresholds(const float* real, const float* null, std::size_t count,
                                 const std::vector<float>& sortedQ, int cvChoice);

}  // namespace granger::core
