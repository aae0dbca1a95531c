// Generated VTC studies written as BIDS: a run as a 4-D NIfTI image at a
// chosen world position, the protocol it links as an events table, and VOIs
// as labels on a run's grid. Both tasks of the example dataset go through
// these functions.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "host/formats/format_io.h"
#include "host/formats/nifti_image.h"
#include "host/formats/protocol_file.h"
#include "host/formats/voi_file.h"

namespace bids_study {

// Where a run's voxels lie: VTC voxel (x, y, z) -> world millimetres, and
// whether the image stores x reversed (LAS, as FSL writes), so that a reader
// has to honour the affine to find left and right.
struct RunPlacement {
    talvora::formats::Affine vtcVoxelToWorld = talvora::formats::Affine::Identity();
    bool storeFlippedX = false;
};

// Axis-aligned voxels of `resolution` mm whose VTC voxel (0, 0, 0) has its
// centre at `firstCentreMm`.
RunPlacement axisAlignedPlacement(double resolution, const std::array<double, 3>& firstCentreMm,
                                  bool storeFlippedX);

// The NIfTI voxel -> world affine of an image of `nx` voxels along x.
talvora::formats::Affine niftiAffine(const RunPlacement& placement, int nx);

// The VTC's values as a 4-D float32 image (TR in pixdim[4], seconds).
void writeBoldRun(const std::filesystem::path& vtc, const std::filesystem::path& bold,
                  const RunPlacement& placement);

// A protocol as a BIDS events table (onset, duration in seconds,
// trial_type): rows condition by condition in the protocol's order, each in
// time order, so that a conversion back, which numbers conditions by first
// appearance, numbers them as the protocol does. A protocol in volumes
// counts volume v from (v - 1) TR to the end of its last volume.
std::string eventsTable(const talvora::formats::ProtocolFile& protocol, double trMs);

// The events table of the protocol the VTC links; throws naming the VTC
// when it links none.
std::string eventsOfVtc(const std::filesystem::path& vtc);

// One label per VTC voxel (x fastest, then y, z): VOI v (from 0) gives label
// v + 1 to the VTC voxels its anatomical voxels fall into, by the rounding
// the plug-ins use; 0 elsewhere.
std::vector<int> voiLabelsOnGrid(const talvora::formats::VoiFile& vois,
                                 const talvora::formats::FunctionalGrid& grid);

}  // namespace bids_study
