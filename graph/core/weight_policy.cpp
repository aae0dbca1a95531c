#include "graph/core/weight_policy.h"

namespace graph::core {

Eigen::MatrixXf applyWeightPolicy(const Eigen::MatrixXf& m, WeightPolicy policy) {
    if (policy == WeightPolicy::Absolute) return m.cwiseAbs();
    return m.cwiseMax(0.0f);
}

std::string weightPolicyText(WeightPolicy policy) {
    return policy == WeightPolicy::Absolute ? "absolute values"
                                            : "positive weights only (negatives set to 0)";
}

bool hasNegativeWeight(const std::vector<Eigen::MatrixXf>& matrices) {
    for (const Eigen::MatrixXf& m : matrices)
        if (m.size() && m.minCoeff() < 0.0f) return true;
    return false;
}

}  // namespace graph::core
