#pragma once
// The one list of graph features: what the feature table shows, what the
// computation calls, when it asks first and how the plots are titled. The
// features model, the connectivity window, the computation and the subject
// report all read it. Pure C++ (no Qt).

#include <Eigen/Dense>

#include <string>
#include <vector>

namespace graph::core {

struct FeatureDefinition {
    std::string group;  // title of the group the feature belongs to
    std::string key;    // unique; empty for a group row
    std::string name;
    std::string description;
    std::string plotTitle;
    bool scalar = false;     // one value per graph rather than one per node
    bool asksFirst = false;  // slow: ask before running on more than 50 nodes
    Eigen::ArrayXf (*nodal)(const Eigen::MatrixXf&) = nullptr;
    float (*whole)(const Eigen::MatrixXf&) = nullptr;

    bool isGroup() const { return key.empty(); }
};

// Group rows and features, in table order.
const std::vector<FeatureDefinition>& featureRegistry();

// The feature of `key`, or null.
const FeatureDefinition* findFeature(const std::string& key);

}  // namespace graph::core
