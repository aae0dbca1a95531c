#pragma once
// A participant's BOLD runs as the host's documents, converted in this
// process with the conversions of `talvora convert`: each run a VTC (with its
// VMR and placement sidecar) and its events a protocol in milliseconds.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "bids/app/plan.h"

namespace bids::analyses {

struct RunDocuments {
    std::filesystem::path vtc, vmr, protocol;
    int trMs = 0;
    std::vector<std::string> conditions;  // the protocol's, in order
};

// Converts each run into `folder` (run1.vtc, run1.vmr, run1.prt, ...), up to
// `threads` runs at a time, each holding its decompressed run beside its VTC
// values. `report` gets what each conversion says, in run order; throws
// std::runtime_error naming the file that could not be converted (the first
// such run), after the conversions under way have ended.
std::vector<RunDocuments> convertRuns(const std::vector<app::Run>& runs, const std::filesystem::path& folder,
                                      std::ostream& report, unsigned threads = 1);

// The 1-based number of the condition named `name` in the first run's
// protocol (the first condition when `name` is empty); throws naming the
// events file when no trial_type has that name.
int conditionNumber(const std::vector<RunDocuments>& documents, const app::Run& first,
                    const std::string& name);

}  // namespace bids::analyses
