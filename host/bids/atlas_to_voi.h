// An atlas label image (NIfTI, e.g. BIDS "*_dseg.nii.gz") to VOIs: one VOI
// per label, named from a label table.
#pragma once

#include <map>
#include <string>

#include "host/formats/convert_registry.h"

namespace talvora::bids {

// nii -> voi [--labels TABLE] [--like RUN.vtc]. Without --like the atlas's
// own 1 mm axis-aligned voxel grid is the anatomical space of the VOIs;
// with --like the atlas is sampled nearest-neighbour at the centre of every
// voxel of the run's grid, placed by the run's sidecar.
void convertAtlasToVoi(const formats::ConvertRequest& request);

// As convertAtlasToVoi (the same checks of every voxel and of the table),
// writing the VOI of `label` alone: a program that needs one region does not
// write and read back the whole atlas. Returns false and writes nothing when
// that label has no voxel on the grid.
bool convertAtlasLabelToVoi(const formats::ConvertRequest& request, long long label);

// The name a label's VOI gets: its name in the table (cut to the 251
// characters a VOI name holds), or "Label N".
std::string atlasLabelName(const std::map<long long, std::string>& names, long long label);

}  // namespace talvora::bids
