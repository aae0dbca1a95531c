// The two tasks of the example dataset for one participant, each written
// from a generated study through the VTC -> BIDS functions: BOLD runs at
// the task's world position with their events, the regions the atlas gets,
// and the truth the analyses should recover.
#pragma once

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "tools/make_bids_study/world_atlas.h"

namespace bids_study {

struct TaskOutput {
    nlohmann::json truth;  // what the analyses should find
    GridLabels regions;    // the task's regions on its run grid (labels from `firstLabel`)
    std::vector<std::string> regionNames;
    double trSeconds = 0;
};

// Task "latency": the latency example study (two runs, no GLM, the noise
// seeded by the participant's number) at 3 mm, anatomical voxel (0, 0, 0) at
// -128 mm on every axis, 1 mm anatomical voxels, RAS; regions labelled 1, 2,
// 3. `scratch` receives the generated study.
TaskOutput writeLatencyTask(int participant, double snr, const std::filesystem::path& subject,
                            const std::filesystem::path& scratch);

// Task "granger": participant p's run of the generated Granger study (its
// subject p), 3 mm voxels stored left-right flipped (LAS) on a grid centred
// on kGrangerCentreMm; the reference region labelled `referenceLabel`.
// `study` is the generated Granger study holding at least p subjects.
TaskOutput writeGrangerTask(int participant, int referenceLabel, const std::filesystem::path& subject,
                            const std::filesystem::path& study);

constexpr const char* kLatencyTask = "latency";
constexpr const char* kGrangerTask = "granger";
constexpr double kLatencyAnatomyOriginMm = -128.0;
// Below the latency study's regions, so that the two tasks' regions never
// share world space.
constexpr std::array<double, 3> kGrangerCentreMm{0.0, -24.0, 0.0};

// "01" for participant 1.
std::string participantLabel(int participant);

}  // namespace bids_study
