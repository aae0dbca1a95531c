// Opposite phase-encoded EPI field maps with a known field for a participant
// of the example dataset: the head phantom of talvora-make-phantom on the
// grid of the participant's BOLD runs, encoded along j- and j.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include <nlohmann/json.hpp>

namespace bids_study {

// The readout time of every series (and of the runs the pair is for), s.
constexpr double kTotalReadoutTimeSeconds = 0.05;

// Writes `participantFolder`/fmap/sub-XX_dir-{AP,PA}_epi.nii.gz with their
// sidecars ("PhaseEncodingDirection", "TotalReadoutTime",
// "B0FieldIdentifier", "IntendedFor" the runs), a sidecar beside each BOLD
// run ("B0FieldSource", "PhaseEncodingDirection", "TotalReadoutTime"), and
// the true field under DATASET/derivatives/truth/sub-XX/fmap/: the field in
// Hz, the displacement of the j- series in voxels and the object mask. The
// peak field (3, 4 or 5 voxels) follows `seed`. Returns the truth: the files,
// the peak, the readout time and the phase encoding of each series.
nlohmann::json writeFieldMaps(const std::filesystem::path& participantFolder,
                              const std::vector<std::filesystem::path>& boldRuns, std::uint64_t seed);

}  // namespace bids_study
