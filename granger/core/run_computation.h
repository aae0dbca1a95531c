// The computation of a Granger causality mapping run over readers of its
// VTCs: reference time courses, surrogates, per condition the interval check
// and the voxel loop one slice at a time, and the per-voxel results handed to
// a sink that turns them into maps and files.
#pragma once

#include "granger/core/gcm_maps.h"
#include "granger/core/gcm_settings.h"
#include "granger/core/run_plan.h"
#include "granger/core/slice_reader.h"

#include <map>
#include <string>
#include <vector>

namespace granger::core {

// What the computation hands back while it runs. The map set and the files
// live outside the core (in the host); each call may stop the run.
class RunSink {
public:
    virtual ~RunSink() = default;
    // A progress line for the host log, written as it is.
    virtual void progress(const std::string& line) = 0;
    // Before the conditions of a VOI: its map set.
    virtual Outcome beginVoi(const ReferenceVoi& voi) = 0;
    // The scaled results of condition `condition` (index into the plan's conditions).
    virtual Outcome conditionResults(std::size_t condition, const ReferenceVoi& voi,
                                     const ResultVolumes& results) = 0;
    // After the last condition: the VOI's maps and its log text.
    virtual Outcome endVoi(const ReferenceVoi& voi, const std::string& logText) = 0;
};

struct RunPlan {
    const GcmSettings& settings;
    const RunGeometry& geometry;
    const std::vector<ReferenceVoi>& vois;
    const std::vector<Condition>& conditions;
};

// One reader per VTC path; a path used by several entries shares its reader.
using VtcReaders = std::map<std::string, SliceReader*>;

// Every reader of the plan's paths must be present. Surrogates are seeded
// from gcmClockSeconds().
Outcome computeRun(const RunPlan& plan, const VtcReaders& readers, RunSink& sink);

}  // namespace granger::core
