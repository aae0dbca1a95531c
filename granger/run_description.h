// What one "RunGCM" command works on: the settings in force, the reference
// VOI, and the condition with its VTC entries and intervals.
#pragma once

#include "granger/core/gcm_settings.h"
#include "granger/core/vtc_stream.h"

#include <string>
#include <utility>
#include <vector>

namespace gcm {

struct VtcEntry {
    std::string sourcePath;
    std::string targetPath;                      // the source path unless source and target VTCs are separate
    granger::VtcInfo header;                     // of the source VTC
    granger::VtcInfo targetHeader;               // of the target VTC (the source's when shared)
    std::vector<std::pair<int, int>> intervals;  // (first, last), 1-based, inclusive
};

// A selected VTC the run could not use, and why ("the file could not be opened", ...).
struct SkippedVtc {
    std::string path;
    std::string reason;
};

struct Condition {
    std::string name;
    std::vector<VtcEntry> entries;
    std::vector<SkippedVtc> skipped;
};

struct ReferenceVoi {
    std::string name;
    bool referenceConvention = false;  // coordinates in the Talairach convention
    std::vector<int> voxels;           // c0 c1 c2 per voxel
};

struct RunDescription {
    granger::GcmSettings settings;
    std::vector<ReferenceVoi> vois;
    std::vector<Condition> conditions;
    std::string firstVtcParameter;  // "SubjVTC-1": the output folder comes from it
    bool haveBox = false;
};

// Condition structure selection; returns 1 to go on, 0 cancelled, 2 invalid
// selection, 3 terminal error.
struct SelectionContext {
    int formMethod = 0;  // "SelectedTimeWindowMethod" as the form set it
    std::string conditionName;
    std::string subjectId;
    bool logStructure = true;
};
int selectConditionStructure(const SelectionContext& context, RunDescription& run);

// The computation of a run: 1 success, 2 invalid parameter set, 3 internal or
// file error; error text goes to `errors`.
int computeGcm(RunDescription& run, std::ostream& errors);

}  // namespace gcm
