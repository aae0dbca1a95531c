// A small BIDS dataset with known truth, made from the latency example study:
// per participant one BOLD run of the task "latency" (the study's VTC as a
// 4-D NIfTI image at a known world position), its events, and an atlas of the
// study's response regions on the run's grid with a label table.
#pragma once

#include <filesystem>
#include <ostream>

namespace bids_study {

struct BidsStudyOptions {
    int participants = 2;
    double snr = 3.0;
};

// Writes the dataset into `folder` (created; existing files replaced) and
// "truth.json" (listed in .bidsignore) with each participant's regions and
// expected latency measures. Throws std::runtime_error naming the file.
void writeBidsStudy(const BidsStudyOptions& options, const std::filesystem::path& folder,
                    std::ostream& progress);

// The world position of anatomical voxel (0, 0, 0) and the axes: 1 mm voxels
// along x, y, z, as an RAS image of a 256 mm box centred on the origin.
constexpr double kWorldOriginMm = -128.0;

}  // namespace bids_study
