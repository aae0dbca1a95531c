#pragma once
// Names of derivative files: the source file's entities, the entities the
// derivative adds (desc, space, label, ...) in the order BIDS lists entities,
// then the derivative's suffix and extension, in the source's folder
// (sub-XX/[ses-YY/]datatype) under the output folder.

#include <filesystem>
#include <string>
#include <vector>

#include "bids/layout/entities.h"

namespace bids::derivatives {

struct DerivativeSpec {
    std::vector<layout::Entity> added;  // e.g. {{"desc", "latency"}}; replaces a source entity of that key
    std::string suffix;                 // e.g. "bold", "map", "timeseries"
    std::string extension;              // e.g. ".nii.gz", ".tsv", ".json"
};

// The file name. Throws std::invalid_argument for an added entity whose key
// or value is not alphanumeric (it would not parse back).
std::string derivativeName(const layout::FileName& source, const DerivativeSpec& spec);

// output / sub-XX / [ses-YY /] datatype / derivativeName(...)
std::filesystem::path derivativePath(const std::filesystem::path& output, const layout::FileName& source,
                                     const std::string& datatype, const DerivativeSpec& spec);

}  // namespace bids::derivatives
