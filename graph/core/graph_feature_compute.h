#pragma once
// Runs one graph measure of the feature table on every matrix of a subject.
// Pure C++ (no Qt); the measures themselves come from linkmesh.

#include "graph/core/weight_policy.h"

#include <Eigen/Dense>

#include <string>
#include <vector>

namespace graph::core {

// Keys of the feature table, in table order.
const std::vector<std::string>& graphFeatureKeys();

bool isGraphFeatureKey(const std::string& key);

// True for the measures whose cost grows fast enough that the user is asked
// before running them on a first matrix with more than 50 rows.
bool graphFeatureNeedsConfirmation(const std::string& key, const std::vector<Eigen::MatrixXf>& matrices);

// Values per matrix, in matrix order: one value per node, or a single value
// for global_efficiency. Negative weights are treated as `policy` says.
// Throws std::invalid_argument for an unknown key; linkmesh::Error (e.g. a
// matrix that is not square) passes through.
std::vector<std::vector<float>> computeFeatureValues(const std::string& key,
                                                     const std::vector<Eigen::MatrixXf>& matrices,
                                                     WeightPolicy policy = WeightPolicy::PositiveOnly);

}  // namespace graph::core
