// What one "RunGCM" command works on: the settings in force, the reference
// VOI, the condition with its VTC entries and intervals, and the run's grid.
#pragma once

#include "granger/core/gcm_settings.h"
#include "granger/core/run_plan.h"

#include <string>
#include <vector>

namespace granger::plugin {

struct RunDescription {
    core::GcmSettings settings;
    std::vector<core::ReferenceVoi> vois;
    std::vector<core::Condition> conditions;
    core::RunGeometry geometry;  // set by the first VTC of the run
    bool haveBox = false;
    std::string outputBaseName;     // subject id, "_RUNCOND-"/"_COND-" and the condition
    std::string firstVtcParameter;  // "SubjVTC-1": the output folder comes from it
};

// How the condition structure selection ended.
enum class Selection { Cancelled, Selected, Invalid, TerminalError };

struct SelectionContext {
    int formMethod = 0;  // "SelectedTimeWindowMethod" as the form set it
    std::string conditionName;
    std::string subjectId;
    bool logStructure = true;
};
Selection selectConditionStructure(const SelectionContext& context, RunDescription& run);

// The computation of a run; the host's maps are deleted at its end, whatever the outcome.
core::Outcome computeGcm(const RunDescription& run);

}  // namespace granger::plugin
