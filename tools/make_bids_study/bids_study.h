// The example BIDS dataset with known truth: per participant the task
// "latency" (the latency example study, two runs) and the task "granger"
// (the generated Granger study), each run with its events; task sidecars;
// one atlas of both tasks' regions with a label table; and truth.json.
#pragma once

#include <filesystem>
#include <ostream>

namespace bids_study {

struct BidsStudyOptions {
    int participants = 2;
    double snr = 3.0;  // of the latency task
};

// Where the atlas and its label table lie inside the dataset. The atlas is
// a derivative (a segmentation, which raw BIDS data do not hold), so it
// lives under derivatives/, which BIDS tools do not take for raw data.
constexpr const char* kAtlasFolder = "derivatives/atlas";
constexpr const char* kAtlasImage = "derivatives/atlas/atlas-regions_dseg.nii.gz";
constexpr const char* kAtlasLabels = "derivatives/atlas/atlas-regions_dseg.tsv";
// The atlas labels: the latency task's regions 1, 2, 3, the Granger
// reference region this one.
constexpr int kReferenceLabel = 4;

// Writes the dataset into `folder`, which must not exist or be empty; the
// dataset is made in a hidden folder beside it and renamed into place when
// whole, so a failure leaves no half-written dataset. "truth.json" (listed
// in .bidsignore) holds per participant and task what the analyses should
// find. Throws std::runtime_error naming the file.
void writeBidsStudy(const BidsStudyOptions& options, const std::filesystem::path& folder,
                    std::ostream& progress);

}  // namespace bids_study
