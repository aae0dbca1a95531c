#pragma once
// Metadata by the inheritance principle: a file applies to a data file when it
// lies in the data file's folder or a folder above it (up to the dataset
// root), has the same suffix and its entities are a subset of the data
// file's. JSON sidecars merge from the top down, the deeper keys winning;
// other files (events.tsv) are taken from the deepest level that has one.

#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "bids/layout/dataset.h"

namespace bids::layout {

// The merged JSON metadata of a data file (an empty object when none
// applies). Throws DatasetError naming a sidecar that is not a JSON object, or
// the two files when two apply at one level.
nlohmann::json sidecarFor(const Dataset& dataset, const DataFile& data);

// The applicable file with this suffix and extension nearest to the data
// file (e.g. "events", ".tsv" for a BOLD run), or none. Throws DatasetError
// naming both files when two apply at the nearest level.
std::optional<DataFile> nearestFor(const Dataset& dataset, const DataFile& data, const std::string& suffix,
                                   const std::string& extension);

}  // namespace bids::layout
