#pragma once
// The participants' Granger results that the group level gathers: each
// participant's NIfTI maps, their sidecar and the plug-in's own map file kept
// beside them, read and checked to belong to one group (one task, reference
// region, condition and grid).

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bids/app/runner.h"
#include "host/formats/format_io.h"
#include "host/formats/nifti_image.h"

namespace bids::analyses {

struct GrangerResult {
    std::string label;                         // "01"
    std::filesystem::path statmap;             // OUTPUT/sub-01/func/..._desc-granger_statmap.nii.gz
    std::filesystem::path sidecar;             // its .json
    nlohmann::json metadata;                   // the sidecar's content
    std::filesystem::path mapFile;             // the kept .gcm the sidecar names
    std::string referenceRegion;               // the reference VOI's name
    int referenceLabel = 0;                    // its atlas label
    std::string condition;                     // the condition's name
    talvora::formats::NiftiHeader header;      // the statmap's header
    talvora::formats::FunctionalGrid mapGrid;  // the .gcm's grid
};

// Each participant's Granger result of the plan's task, in the group's
// order. Throws std::runtime_error naming the file or folder: no statmap of
// the task or several, a sidecar that cannot be read or lacks what the group
// needs, a kept map file missing, unreadable or not of one condition.
std::vector<GrangerResult> readGrangerResults(const app::GroupJob& job);

// Throws std::runtime_error naming the file that differs from the first
// participant's in reference region, condition or grid, or whose reference
// label or condition is not the --reference-label or --condition asked for.
void checkOneGroup(const std::vector<GrangerResult>& results, const app::Options& options);

}  // namespace bids::analyses
