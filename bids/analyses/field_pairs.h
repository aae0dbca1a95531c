#pragma once
// A participant's opposite phase-encoded EPI pairs (fmap/*_epi) and the BOLD
// runs each is for. Pairs are formed by "B0FieldIdentifier", else by names
// that differ only in the `dir` entity; a run is assigned by its
// "B0FieldSource", else by the "IntendedFor" of a pair's series, else to the
// only pair of its session that names no runs at all.

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bids/app/plan.h"

namespace bids::analyses {

// "PhaseEncodingDirection" taken apart: the voxel axis (0 i, 1 j) and its sign.
struct Encoding {
    int axis = 1;
    bool negative = false;
    std::string text;  // as the sidecar spells it
};

struct FieldSeries {
    layout::DataFile epi;
    nlohmann::json metadata;  // inherited
    Encoding encoding;
    double readoutSeconds = 0;  // "TotalReadoutTime"
};

struct FieldPair {
    FieldSeries first, second;      // in path order
    std::string identifier;         // "B0FieldIdentifier", empty when paired by name
    std::vector<std::size_t> runs;  // indices into the participant's runs
};

struct FieldPlan {
    std::vector<FieldPair> pairs;
    std::vector<std::size_t> uncorrected;  // runs no pair is for
};

// The encoding of a sidecar; throws naming `file` when the key is missing or
// is not i, i-, j or j- (the slice axis k cannot be corrected).
Encoding readEncoding(const nlohmann::json& metadata, const std::string& file);

// Throws std::runtime_error naming the files: no EPI series, a series
// without a partner (or an identifier given to other than two series),
// directions that are not opposite, a missing or unequal
// "TotalReadoutTime", a run assigned to two pairs.
FieldPlan pairFieldMaps(const layout::Dataset& dataset, const std::string& label,
                        const std::vector<app::Run>& runs);

// The run's encoding and readout must be those of one series of its pair:
// the plug-in's map of that series is then the run's own displacement.
// Returns the series (0 first, 1 second) whose map the run takes; throws
// naming the run and the pair otherwise.
int seriesForRun(const FieldPair& pair, const app::Run& run);

}  // namespace bids::analyses
