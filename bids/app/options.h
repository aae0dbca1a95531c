#pragma once
// The command line of talvora-bids, in the BIDS App convention:
// BIDS_DIR OUTPUT_DIR participant|group and options.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace bids::app {

struct Options {
    std::filesystem::path bidsDir;
    std::filesystem::path outputDir;
    std::string level;                           // "participant" or "group"
    std::string analysis;                        // latency, granger, distortion, connectivity
    std::vector<std::string> participantLabels;  // without "sub-"; empty: every participant
    std::string task;
    std::filesystem::path atlas;
    std::filesystem::path atlasLabels;
    std::optional<int> referenceLabel;
    std::string condition;
    std::filesystem::path workDir;  // empty: a temporary folder removed at the end
    // Runs of a participant converted at the same time. Each conversion holds
    // its run decompressed, and beside it the mapped compressed file while
    // it inflates or the VTC's values when the run must be resampled: up to
    // about 2.4 times the run's decompressed size (238 MB for a 100 MB
    // run), so N threads hold N times that.
    unsigned threads = 1;
};

// Exit statuses of the program.
enum ExitStatus : int {
    kSuccess = 0,
    kBadInput = 2,           // bad command line or input, found before anything ran
    kParticipantsFailed = 3  // some participants failed; the others finished
};

// Parses argv. Returns the exit status when the program should stop now
// (--help: 0 with the help on `out`; a bad command line: 2 with the reason on
// `err`), none when it should run.
std::optional<int> parseOptions(int argc, const char* const* argv, Options& options, std::ostream& out,
                                std::ostream& err);

}  // namespace bids::app
