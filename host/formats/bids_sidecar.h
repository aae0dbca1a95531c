// BIDS JSON sidecars beside NIfTI images ("sub-01_bold.nii.gz" ->
// "sub-01_bold.json") and the repetition time of a run.
#pragma once

#include "host/formats/convert_registry.h"
#include "host/formats/nifti_image.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>

namespace talvora::formats {

// The image's name with ".nii" or ".nii.gz" replaced by ".json".
std::filesystem::path bidsSidecarPath(const std::filesystem::path& image);

// The sidecar's object, or nothing when there is no sidecar; throws naming
// the sidecar when it is not a JSON object.
std::optional<nlohmann::json> readBidsSidecar(const std::filesystem::path& image);

// The run's TR in milliseconds: the sidecar's "RepetitionTime" (seconds)
// when it has one, else pixdim[4] with its xyzt_units (seconds when the unit
// is unknown). Says which on the request's report, and when the two
// disagree. Throws naming the file when neither gives a positive TR.
double repetitionTimeMs(const NiftiHeader& run, const ConvertRequest& request);

}  // namespace talvora::formats
