// Back to NIfTI from the distortion correction's files: a displacement map
// (".map") and an (undistorted) functional or diffusion project, each at the
// world position of the EPI series its project was converted from.
#pragma once

#include "host/formats/convert_registry.h"

#include <filesystem>

namespace talvora::bids {

// map -> nii: the displacement in voxels along the phase-encoding axis;
// with --hz the field in Hz (see docs/formats.md for the sign).
void convertDisplacementMapToNifti(const formats::ConvertRequest& request);
// fmr/dmr -> nii: the series, 4-D, float32, with its TR.
void convertProjectToNifti(const formats::ConvertRequest& request);

// The project sidecar that places a map or a derived project:
// "run_vdm.map", "run_vdmderiv.map", "run_undist.fmr" and "run.fmr" all
// lead to "run.fmr.json" (or "run.dmr.json"); a sidecar of the file's own
// name is taken first. Empty when none exists.
std::filesystem::path projectSidecarFor(const std::filesystem::path& file);

}  // namespace talvora::bids
