#include "graph/core/graph_feature_compute.h"

#include "graph/core/feature_registry.h"

#include <stdexcept>

namespace graph::core {

const std::vector<std::string>& graphFeatureKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> list;
        for (const FeatureDefinition& d : featureRegistry())
            if (!d.isGroup()) list.push_back(d.key);
        return list;
    }();
    return keys;
}

bool isGraphFeatureKey(const std::string& key) {
    return findFeature(key) != nullptr;
}

bool graphFeatureNeedsConfirmation(const std::string& key, const std::vector<Eigen::MatrixXf>& matrices) {
    // Above this many nodes the slow measures ask first.
    constexpr Eigen::Index kLargestUnquestionedSize = 50;
    const FeatureDefinition* feature = findFeature(key);
    return feature && feature->asksFirst && !matrices.empty() &&
           matrices.front().rows() > kLargestUnquestionedSize;
}

std::vector<std::vector<float>> computeFeatureValues(const std::string& key,
                                                     const std::vector<Eigen::MatrixXf>& matrices,
                                                     WeightPolicy policy) {
    const FeatureDefinition* feature = findFeature(key);
    if (!feature) throw std::invalid_argument("unknown graph feature \"" + key + "\"");
    std::vector<std::vector<float>> perMatrix;
    perMatrix.reserve(matrices.size());
    for (const Eigen::MatrixXf& m : matrices) {
        const Eigen::MatrixXf weights = applyWeightPolicy(m, policy);
        if (feature->whole) {
            perMatrix.push_back({feature->whole(weights)});
        } else {
            const Eigen::ArrayXf values = feature->nodal(weights);
            perMatrix.emplace_back(values.data(), values.data() + values.size());
        }
    }
    return perMatrix;
}

}  // namespace graph::core
