// One atlas for runs on different grids: the labels of each run grid's
// regions resampled onto a fine world grid covering all of them, so that
// reading the atlas at the centre of any run voxel gives that voxel's label.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/formats/nifti_image.h"
#include "tools/make_bids_study/vtc_to_bids.h"

namespace bids_study {

// The regions of one run grid: a label per VTC voxel (x fastest), 0 for none.
struct GridLabels {
    RunPlacement placement;
    std::array<int, 3> dims{0, 0, 0};
    std::vector<int> labels;
};

// Writes a uint8 label image of 1 mm voxels covering every grid; an atlas
// voxel takes the label of the run voxel its centre lies in. The atlas
// voxels' centres lie a quarter millimetre off the whole and half
// millimetres, so none falls on the border of two run voxels whose centres
// lie on whole or half millimetres, and the atlas voxel nearest a run
// voxel's centre lies inside that run voxel. Throws when two grids give one
// atlas voxel different labels.
void writeWorldAtlas(const std::vector<GridLabels>& grids, const std::filesystem::path& image,
                     const std::string& description);

// The atlas label at the centre of every voxel of `grid` (x fastest), the
// nearest atlas voxel through both affines; 0 outside the atlas. The
// summaries and tests read an atlas written on a world grid of its own with
// this, independently of the app's own sampling.
std::vector<int> atlasLabelsAtVoxelCentres(const talvora::formats::NiftiImage& atlas,
                                           const talvora::formats::NiftiHeader& grid);

}  // namespace bids_study
