// The keys of a BIDS JSON sidecar that the EPI and map conversions read.
#pragma once

#include "host/formats/bids_sidecar.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>

namespace talvora::bids {

// The sidecar beside an image is formats::bidsSidecarPath().
using formats::bidsSidecarPath;

// The sidecar's JSON object; throws naming the sidecar when it is missing
// (saying what it was needed for) or not a JSON object.
nlohmann::json readJsonObject(const std::filesystem::path& sidecar, const std::string& neededFor);

// A positive finite number under `key`, or nothing when the key is absent;
// throws naming the file and key when it is there but not such a number.
std::optional<double> positiveNumber(const nlohmann::json& object, const std::filesystem::path& file,
                                     const std::string& key);

// Phase encoding of an EPI series along one voxel axis of the image.
struct PhaseEncoding {
    int axis = 1;           // 0: i (first axis), 1: j (second axis)
    bool negative = false;  // "j-" / "i-"
    std::string text;       // as the sidecar spells it
};

// "PhaseEncodingDirection" of the sidecar (i, i-, j, j-); throws naming the
// sidecar when it is missing, malformed or along the slice axis (k).
PhaseEncoding readPhaseEncoding(const nlohmann::json& sidecar, const std::filesystem::path& file);

}  // namespace talvora::bids
