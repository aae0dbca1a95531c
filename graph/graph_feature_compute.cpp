#include "graph/graph_feature_compute.h"

#include "linkmesh/linkmesh.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

using NodalMeasure = std::function<Eigen::ArrayXf(const Eigen::MatrixXf&)>;

// Above this many nodes the slow measures ask first.
constexpr Eigen::Index kLargestUnquestionedSize = 50;

NodalMeasure nodalMeasure(const std::string& key)
{
    if (key == "clustering_coeff") return &linkmesh::clustering_coeff;
    if (key == "local_efficiency") return &linkmesh::local_efficiency;
    if (key == "degree") return &linkmesh::degree;
    if (key == "eigenvector_centrality") return &linkmesh::eigenvector_centrality;
    if (key == "strength") return &linkmesh::strength;
    if (key == "nodal_ge") return &linkmesh::nodal_global_efficiency;
    return {};
}

}  // namespace

const std::vector<std::string>& graphFeatureKeys()
{
    static const std::vector<std::string> keys = {"clustering_coeff", "local_efficiency", "global_efficiency",
                                                  "degree", "eigenvector_centrality", "strength", "nodal_ge"};
    return keys;
}

bool isGraphFeatureKey(const std::string& key)
{
    const auto& keys = graphFeatureKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool graphFeatureNeedsConfirmation(const std::string& key, const std::vector<Eigen::MatrixXf>& matrices)
{
    const bool slow = key == "local_efficiency" || key == "eigenvector_centrality" || key == "nodal_ge";
    return slow && !matrices.empty() && matrices.front().rows() > kLargestUnquestionedSize;
}

std::vector<std::vector<float>> computeFeatureValues(const std::string& key,
                                                    const std::vector<Eigen::MatrixXf>& matrices,
                                                    WeightPolicy policy)
{
    std::vector<std::vector<float>> perMatrix;
    perMatrix.reserve(matrices.size());
    if (key == "global_efficiency") {
        for (const Eigen::MatrixXf& m : matrices)
            perMatrix.push_back({linkmesh::global_efficiency(applyWeightPolicy(m, policy))});
        return perMatrix;
    }
    const NodalMeasure measure = nodalMeasure(key);
    if (!measure)
        throw std::invalid_argument("unknown graph feature \"" + key + "\"");
    for (const Eigen::MatrixXf& m : matrices) {
        const Eigen::ArrayXf values = measure(applyWeightPolicy(m, policy));
        perMatrix.emplace_back(values.data(), values.data() + values.size());
    }
    return perMatrix;
}
