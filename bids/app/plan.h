#pragma once
// What one invocation will do, decided before anything is written: the
// dataset read, the folders checked, the participants and the task chosen.
// Every problem found here stops the program with nothing written.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bids/app/options.h"
#include "bids/layout/dataset.h"
#include "bids/layout/metadata.h"

namespace bids::app {

// Bad input found before anything ran; the message names the file or folder.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Plan {
    Options options;
    layout::Dataset dataset;
    std::vector<std::string> participants;  // labels, in order
    std::string task;                       // empty when the analysis takes every task
    std::filesystem::path outputDir;        // absolute
};

// Analyses whose runs need an events file (their conditions).
bool needsEvents(const std::string& analysis);

// One BOLD run of a participant with what the analyses need of it.
struct Run {
    layout::DataFile bold;
    nlohmann::json metadata;                 // its sidecar, inherited
    std::optional<layout::DataFile> events;  // always set when the analysis needs events
};

// The participant's BOLD runs of the plan's task (every task when the plan
// has none), in path order. Throws InputError naming the file: no run at all,
// a run without an events file when the analysis needs one, a sidecar that
// cannot be read or two that apply at one level.
std::vector<Run> participantRuns(const Plan& plan, const std::string& label);

// Throws InputError: not a BIDS dataset, OUTPUT_DIR or the work folder inside
// BIDS_DIR, an unknown participant label, an unknown task or several tasks
// without --task, a missing atlas, label table or reference label.
Plan makePlan(const Options& options);

}  // namespace bids::app
