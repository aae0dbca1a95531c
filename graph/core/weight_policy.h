#pragma once
// What the graph measures do with negative weights. Correlation-based
// matrices hold them, but the measures are defined for non-negative weights,
// so the caller chooses: drop them (the default) or use their size.
// Pure C++ (no Qt).

#include <Eigen/Dense>

#include <string>
#include <vector>

namespace graph::core {

enum class WeightPolicy {
    PositiveOnly,  // negative weights set to 0
    Absolute,      // every weight replaced by its absolute value
};

// The matrix the measures see under the policy.
Eigen::MatrixXf applyWeightPolicy(const Eigen::MatrixXf& m, WeightPolicy policy);

// "positive weights only (negatives set to 0)" or "absolute values".
std::string weightPolicyText(WeightPolicy policy);

bool hasNegativeWeight(const std::vector<Eigen::MatrixXf>& matrices);

}  // namespace graph::core
