// EPI series (NIfTI with a BIDS sidecar) to functional (".fmr") or
// diffusion (".dmr") projects for the distortion correction.
#pragma once

#include "host/formats/convert_registry.h"

namespace talvora::bids {

// nii -> fmr, and nii -> dmr with --bvec/--bval. The project keeps the
// image's voxel order; the sidecar "<project>.json" carries its placement
// and phase encoding. Prints the "rllr" choice that makes the plug-in
// correct along the phase-encoding axis. --pair OTHER.nii[.gz] checks that
// the other series of the pair is encoded in the opposite direction.
void convertEpiToFmr(const formats::ConvertRequest& request);
void convertEpiToDmr(const formats::ConvertRequest& request);

}  // namespace talvora::bids
