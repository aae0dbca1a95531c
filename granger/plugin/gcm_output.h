// The map set of a VOI inside the host, its file and the text log beside it.
#pragma once

#include "granger/core/gcm_maps.h"
#include "granger/core/run_plan.h"
#include "granger/plugin/run_description.h"

#include <string>

namespace granger::plugin {

// Deletes the host's maps and creates the set for all conditions and map
// types, with the threshold labels.
core::Outcome createMapSet(const RunDescription& run);

// Fills the maps of condition `conditionIndex` from its result volumes:
// values, FDR thresholds, names and colours.
core::Outcome storeConditionMaps(const RunDescription& run, std::size_t conditionIndex,
                                 const std::string& voiName, const core::ResultVolumes& results);

// "<folder><base name>_VOI-<voi>" of a VOI.
std::string outputBase(const RunDescription& run, const std::string& voiName);

// Saves the map file and writes the log file; a log file that cannot be
// written is a warning, a map file that cannot be saved a terminal error.
core::Outcome writeVoiOutput(const std::string& base, const std::string& logText);

void deleteMaps();

}  // namespace granger::plugin
