#pragma once
// Runs one analysis for each chosen participant (or once for the group),
// each in a work folder of its own. A participant that fails is reported and
// the next one still runs; the failures are summarised at the end.

#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "bids/app/options.h"
#include "bids/app/plan.h"
#include "bids/app/progress.h"
#include "bids/derivatives/writer.h"

namespace bids::app {

struct ParticipantJob {
    const Plan& plan;
    std::string label;              // "01"
    std::vector<Run> runs;          // the runs of the plan's task, checked
    std::filesystem::path workDir;  // this participant's and analysis's own, created
    const derivatives::DerivativeWriter& writer;
    Progress& progress;

    void step(const std::string& what) const { progress.step("sub-" + label, plan.options.analysis, what); }
};

struct GroupJob {
    const Plan& plan;
    std::vector<std::string> participants;  // those whose results OUTPUT_DIR holds
    std::filesystem::path workDir;
    const derivatives::DerivativeWriter& writer;
    Progress& progress;

    void step(const std::string& what) const { progress.step("group", plan.options.analysis, what); }
};

// The analyses this build runs, by name; an analysis throws, with the file
// named, when it fails.
struct Analyses {
    std::map<std::string, std::function<void(const ParticipantJob&)>> participant;
    std::map<std::string, std::function<void(const GroupJob&)>> group;
};

// The whole program after the command line: the plan, the runs, the
// summary. Returns the exit status.
int runApp(const Options& options, const Analyses& analyses, std::ostream& out, std::ostream& err);

// The participants whose folders in OUTPUT_DIR hold results of this analysis
// (a file whose desc entity begins with the analysis's name), sorted.
std::vector<std::string> participantsWithResults(const std::filesystem::path& output,
                                                 const std::string& analysis);

}  // namespace bids::app
