#include "bids/app/plan.h"

#include <algorithm>

namespace bids::app {
namespace fs = std::filesystem;
namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
    return text.empty() ? "none" : text;
}

// True when `inner` is `outer` or lies below it, after resolving links and
// "..", for folders that may not exist yet.
bool isInside(const fs::path& inner, const fs::path& outer) {
    const auto a = fs::weakly_canonical(fs::absolute(inner));
    const auto b = fs::weakly_canonical(fs::absolute(outer));
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty()) continue;  // a trailing separator
        if (ai == a.end() || *ai != *bi) return false;
    }
    return true;
}

void checkFolders(const Options& options) {
    if (isInside(options.outputDir, options.bidsDir))
        throw InputError(options.outputDir.string() + ": OUTPUT_DIR is inside BIDS_DIR " +
                         options.bidsDir.string() + "; the dataset is read only, choose a folder outside it");
    if (!options.workDir.empty() && isInside(options.workDir, options.bidsDir))
        throw InputError(options.workDir.string() + ": the work folder is inside BIDS_DIR " +
                         options.bidsDir.string() + "; the dataset is read only, choose a folder outside it");
    if (fs::exists(options.outputDir) && !fs::is_directory(options.outputDir))
        throw InputError(options.outputDir.string() + ": OUTPUT_DIR exists and is not a folder");
}

std::vector<std::string> chooseParticipants(const Options& options, const layout::Dataset& dataset) {
    if (options.participantLabels.empty()) {
        if (dataset.participants.empty())
            throw InputError(dataset.root.string() + ": the dataset has no participant folders (sub-*)");
        return dataset.participants;
    }
    std::vector<std::string> chosen;
    for (const auto& label : options.participantLabels) {
        if (!dataset.hasParticipant(label))
            throw InputError("participant label " + label + ": " +
                             (dataset.root / ("sub-" + label)).string() +
                             " does not exist (participants: " + joined(dataset.participants) + ")");
        if (std::find(chosen.begin(), chosen.end(), label) == chosen.end()) chosen.push_back(label);
    }
    return chosen;
}

std::string chooseTask(const Options& options, const layout::Dataset& dataset) {
    const auto tasks = dataset.tasks("bold");
    if (!options.task.empty()) {
        if (std::find(tasks.begin(), tasks.end(), options.task) == tasks.end())
            throw InputError("task " + options.task + ": " + dataset.root.string() +
                             " has no BOLD run of it (tasks: " + joined(tasks) + ")");
        return options.task;
    }
    if (options.analysis == "distortion") return "";
    if (tasks.empty())
        throw InputError(dataset.root.string() + ": the dataset has no BOLD run (*_bold.nii[.gz])");
    if (tasks.size() > 1)
        throw InputError(dataset.root.string() + " has several tasks (" + joined(tasks) +
                         "): choose one with --task");
    return tasks.front();
}

void checkAnalysisInputs(const Options& options) {
    // The group levels read the participants' results, not the atlas.
    const bool participants = options.level == "participant";
    const bool grangerParticipants = options.analysis == "granger" && participants;
    const bool needsAtlas = grangerParticipants || (options.analysis == "connectivity" && participants);
    if (needsAtlas && options.atlas.empty())
        throw InputError("the " + options.analysis + " analysis needs --atlas and --atlas-labels");
    for (const auto& file : {options.atlas, options.atlasLabels})
        if (!file.empty() && !fs::is_regular_file(file)) throw InputError(file.string() + ": no such file");
    if (grangerParticipants && !options.referenceLabel)
        throw InputError(
            "the granger analysis needs --reference-label (the atlas label of the reference region)");
}

}  // namespace

bool needsEvents(const std::string& analysis) {
    return analysis == "latency" || analysis == "granger" || analysis == "connectivity";
}

std::vector<Run> participantRuns(const Plan& plan, const std::string& label) {
    const auto bold = plan.dataset.find(label, "bold", layout::imageExtensions(), plan.task);
    if (bold.empty())
        throw InputError((plan.dataset.root / ("sub-" + label)).string() + " has no BOLD run" +
                         (plan.task.empty() ? "" : " of task " + plan.task));
    std::vector<Run> runs;
    try {
        for (const auto& file : bold) {
            Run run{file, layout::sidecarFor(plan.dataset, file),
                    layout::nearestFor(plan.dataset, file, "events", ".tsv")};
            if (!run.events && needsEvents(plan.options.analysis))
                throw InputError(file.path.string() + ": no events file (" +
                                 layout::FileName{file.name.entities, "events", ".tsv"}.str() +
                                 " beside it or above it); the " + plan.options.analysis +
                                 " analysis needs the task's events");
            runs.push_back(std::move(run));
        }
    } catch (const layout::DatasetError& e) {
        throw InputError(e.what());
    }
    return runs;
}

Plan makePlan(const Options& options) {
    Plan plan;
    plan.options = options;
    try {
        plan.dataset = layout::readDataset(options.bidsDir);
    } catch (const layout::DatasetError& e) {
        throw InputError(e.what());
    }
    checkFolders(options);
    plan.participants = chooseParticipants(options, plan.dataset);
    plan.task = chooseTask(options, plan.dataset);
    checkAnalysisInputs(options);
    plan.outputDir = fs::absolute(options.outputDir).lexically_normal();
    return plan;
}

}  // namespace bids::app
