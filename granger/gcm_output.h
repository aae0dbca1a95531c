// The map set of a VOI inside the host, its file and the text log beside it.
#pragma once

#include "granger/core/gcm_maps.h"
#include "granger/run_description.h"

#include <ostream>
#include <string>

namespace gcm {

// Deletes the host's maps and creates the set for all conditions and map
// types, with the threshold labels. 1 on success, 2 or 3 with the error text.
int createMapSet(const RunDescription& run, std::ostream& errors);

// Fills the maps of condition `conditionIndex` from its result volumes:
// values, FDR thresholds, names and colours. 1 on success, 3 with the error.
int storeConditionMaps(const RunDescription& run, int conditionIndex, const std::string& voiName,
                       const granger::ResultVolumes& results, std::ostream& errors);

// "<folder><base name>_VOI-<voi>" of a VOI.
std::string outputBase(const RunDescription& run, const std::string& voiName);

// Saves the map file and writes the log file. 1 on success, 3 when the map
// file cannot be saved; a log file that cannot be written is a warning.
int writeVoiOutput(const std::string& base, const std::string& logText, std::ostream& errors);

void deleteMaps();

}  // namespace gcm
