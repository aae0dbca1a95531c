// An atlas label image (NIfTI, e.g. BIDS "*_dseg.nii.gz") to VOIs: one VOI
// per label, named from a label table.
#pragma once

#include "host/formats/convert_registry.h"

namespace talvora::bids {

// nii -> voi [--labels TABLE] [--like RUN.vtc]. Without --like the atlas's
// own 1 mm axis-aligned voxel grid is the anatomical space of the VOIs;
// with --like the atlas is sampled nearest-neighbour at the centre of every
// voxel of the run's grid, placed by the run's sidecar.
void convertAtlasToVoi(const formats::ConvertRequest& request);

}  // namespace talvora::bids
