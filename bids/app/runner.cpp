#include "bids/app/runner.h"

#include <random>
#include <sstream>
#include <system_error>

#include "bids/layout/entities.h"

#ifndef TALVORA_BIDS_VERSION
#define TALVORA_BIDS_VERSION "0"
#endif

namespace bids::app {
namespace fs = std::filesystem;
namespace {

// The work folder: the one given (kept), or a new temporary one (removed
// when the program ends).
class WorkFolder {
public:
    explicit WorkFolder(const fs::path& given) : keep_(!given.empty()) {
        if (keep_) {
            path_ = fs::absolute(given);
        } else {
            std::ostringstream name;
            name << "talvora-bids-" << std::hex << std::random_device{}() << std::random_device{}();
            path_ = fs::temp_directory_path() / name.str();
        }
        fs::create_directories(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        if (!keep_) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    bool keep_;
    fs::path path_;
};

struct Failure {
    std::string who;
    std::string why;
};

int summarise(const std::vector<Failure>& failures, std::size_t total, const Progress& progress,
              std::ostream& out, std::ostream& err) {
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.1f", progress.elapsedSeconds());
    if (failures.empty()) {
        out << "talvora-bids: done, " << total << " of " << total << " finished [elapsed " << elapsed << " s]"
            << std::endl;
        return kSuccess;
    }
    err << "talvora-bids: " << failures.size() << " of " << total << " failed:\n";
    for (const auto& failure : failures) err << "  " << failure.who << ": " << failure.why << "\n";
    err.flush();
    return kParticipantsFailed;
}

int runParticipants(const Plan& plan, const std::function<void(const ParticipantJob&)>& analysis,
                    const fs::path& work, std::ostream& out, std::ostream& err) {
    Progress progress(out);
    const derivatives::DerivativeWriter writer(plan.outputDir, plan.dataset, "talvora-bids",
                                               TALVORA_BIDS_VERSION);
    std::vector<Failure> failures;
    for (const auto& label : plan.participants) {
        const std::string who = "sub-" + label;
        try {
            const fs::path folder = work / who / plan.options.analysis;
            fs::create_directories(folder);
            ParticipantJob job{plan, label, {}, folder, writer, progress};
            job.step("started");
            job.runs = participantRuns(plan, label);
            analysis(job);
            job.step("finished");
        } catch (const std::exception& e) {
            progress.step(who, plan.options.analysis, "failed");
            failures.push_back({who, e.what()});
        }
    }
    return summarise(failures, plan.participants.size(), progress, out, err);
}

int runGroup(const Plan& plan, const std::function<void(const GroupJob&)>& analysis, const fs::path& work,
             std::ostream& out, std::ostream& err) {
    Progress progress(out);
    const derivatives::DerivativeWriter writer(plan.outputDir, plan.dataset, "talvora-bids",
                                               TALVORA_BIDS_VERSION);
    auto found = participantsWithResults(plan.outputDir, plan.options.analysis);
    if (!plan.options.participantLabels.empty()) {
        std::vector<std::string> chosen;
        for (const auto& label : plan.participants) {
            if (std::find(found.begin(), found.end(), label) == found.end()) {
                err << "talvora-bids: participant label " << label << ": "
                    << (plan.outputDir / ("sub-" + label)).string() << " holds no " << plan.options.analysis
                    << " results; run the participant level first\n";
                return kBadInput;
            }
            chosen.push_back(label);
        }
        found = chosen;
    }
    if (found.empty()) {
        err << "talvora-bids: " << plan.outputDir.string() << " holds no participant's "
            << plan.options.analysis << " results; run the participant level first\n";
        return kBadInput;
    }
    std::vector<Failure> failures;
    try {
        fs::create_directories(work / "group" / plan.options.analysis);
        GroupJob job{plan, found, work / "group" / plan.options.analysis, writer, progress};
        job.step("started with " + std::to_string(found.size()) + " participants");
        analysis(job);
        job.step("finished");
    } catch (const std::exception& e) {
        progress.step("group", plan.options.analysis, "failed");
        failures.push_back({"group", e.what()});
    }
    return summarise(failures, 1, progress, out, err);
}

}  // namespace

std::vector<std::string> participantsWithResults(const fs::path& output, const std::string& analysis) {
    std::vector<std::string> found;
    std::error_code error;
    if (!fs::is_directory(output, error)) return found;
    for (const auto& entry : fs::directory_iterator(output)) {
        const auto name = entry.path().filename().string();
        if (!entry.is_directory() || name.rfind("sub-", 0) != 0) continue;
        for (const auto& file : fs::recursive_directory_iterator(entry.path())) {
            const auto parsed = layout::parseFileName(file.path().filename().string());
            if (parsed && parsed->get("desc").rfind(analysis, 0) == 0) {
                found.push_back(name.substr(4));
                break;
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

int runApp(const Options& options, const Analyses& analyses, std::ostream& out, std::ostream& err) {
    Plan plan;
    try {
        plan = makePlan(options);
    } catch (const InputError& e) {
        err << "talvora-bids: " << e.what() << std::endl;
        return kBadInput;
    }
    for (const auto& warning : plan.dataset.warnings) err << "talvora-bids: warning: " << warning << "\n";
    const bool participantLevel = options.level == "participant";
    const bool available = participantLevel ? analyses.participant.count(options.analysis) != 0
                                            : analyses.group.count(options.analysis) != 0;
    if (!available) {
        err << "talvora-bids: the " << options.analysis << " analysis does not run at the " << options.level
            << " level in this version" << std::endl;
        return kBadInput;
    }
    try {
        WorkFolder work(options.workDir);
        return participantLevel
                   ? runParticipants(plan, analyses.participant.at(options.analysis), work.path(), out, err)
                   : runGroup(plan, analyses.group.at(options.analysis), work.path(), out, err);
    } catch (const fs::filesystem_error& e) {
        err << "talvora-bids: " << e.path1().string() << ": " << e.code().message() << std::endl;
        return kBadInput;
    }
}

}  // namespace bids::app
