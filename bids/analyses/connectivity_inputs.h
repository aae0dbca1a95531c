#pragma once
// The inputs of the connectivity analysis read from the files: the atlas
// regions on each run's grid, each run's region time courses and the events
// of each condition. Every problem is an error naming the file.

#include "bids/analyses/connectivity_core.h"
#include "bids/app/plan.h"

#include <Eigen/Core>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace bids::analyses::connectivity {

struct Region {
    long long label = 0;
    std::string name;
    int voxels = 0;  // on the first run's grid
};

struct RunSeries {
    std::filesystem::path bold, events;
    double trSeconds = 0.0;
    Eigen::MatrixXd series;                                 // volumes x regions
    std::map<std::string, std::vector<Event>> byCondition;  // the events of each condition
    std::vector<std::string> conditions;                    // in order of first appearance
};

struct Inputs {
    std::vector<Region> regions;
    // Labels of the table with no voxel in any of the runs (an atlas that
    // covers more than the runs' field of view): left out of the matrices.
    std::vector<Region> outside;
    std::vector<RunSeries> runs;
    std::vector<std::string> conditions;  // every run's, in order of first appearance
};

// Reads the atlas (`atlas`, names from `labels`), each run and its events.
Inputs readInputs(const std::filesystem::path& atlas, const std::filesystem::path& labels,
                  const std::vector<app::Run>& runs);

}  // namespace bids::analyses::connectivity
