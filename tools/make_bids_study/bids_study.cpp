#include "tools/make_bids_study/bids_study.h"
#include "tools/make_bids_study/field_maps.h"

#include <map>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "frame/atomic_file.h"
#include "tools/make_bids_study/tasks.h"
#include "tools/make_study/granger_study.h"

namespace bids_study {
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << text; });
}

void writeJson(const fs::path& path, const json& value) {
    writeText(path, value.dump(2) + "\n");
}

// The generated studies the tasks are taken from.
struct Sources {
    fs::path scratch;
    fs::path granger() const { return scratch / "granger"; }
    fs::path latency(int participant) const { return scratch / ("latency-" + participantLabel(participant)); }
};

// One participant's folder: both tasks' runs and events. Returns each task's
// output by task name.
std::map<std::string, TaskOutput> writeParticipant(const BidsStudyOptions& options, int participant,
                                                   const fs::path& dataset, const Sources& sources) {
    const fs::path subject = dataset / ("sub-" + participantLabel(participant));
    std::map<std::string, TaskOutput> tasks;
    tasks[kLatencyTask] = writeLatencyTask(participant, options.snr, subject, sources.latency(participant));
    tasks[kGrangerTask] = writeGrangerTask(participant, kReferenceLabel, subject, sources.granger());
    return tasks;
}

std::string readme() {
    return std::string(
               "Talvora example study\n\n"
               "A synthetic dataset with known truth, written by talvora-make-bids-study.\n\n"
               "- task \"latency\": an event-related study (trial types \"Event\" and \"Rest\"), two runs per\n"
               "  participant, TR 1 s; three regions respond with known onset and time to peak.\n"
               "- task \"granger\": one run per participant, TR 2 s (trial types \"Task\" and \"Rest\");\n"
               "  a reference region (atlas label 4) drives some voxels, is driven by others, is coupled\n"
               "  instantaneously to others, and is independent of the rest.\n\n"
               "Atlas of both tasks' regions (for --atlas and --atlas-labels):\n  ") +
           kAtlasImage + "\n  " + kAtlasLabels +
           "\nlabels 1, 2, 3 the latency task's regions, 4 the Granger reference region.\n\n"
           "truth.json: per participant and task what the analyses should find (latency: each region's\n"
           "response and expected measures; granger: the kind of every voxel and the model).\n";
}

void writeAtlas(const fs::path& dataset, const std::map<std::string, TaskOutput>& tasks) {
    std::vector<GridLabels> grids;
    std::string table = "index\tname\n";
    int label = 1;
    for (const char* task : {kLatencyTask, kGrangerTask}) {
        grids.push_back(tasks.at(task).regions);
        for (const std::string& name : tasks.at(task).regionNames)
            table += std::to_string(label++) + "\t" + name + "\n";
    }
    if (label - 1 != kReferenceLabel)
        throw std::logic_error("the atlas labels do not end with the reference");
    fs::create_directories(dataset / kAtlasFolder);
    writeWorldAtlas(grids, dataset / kAtlasImage, "regions of the latency and granger tasks");
    writeText(dataset / kAtlasLabels, table);
    writeJson(dataset / kAtlasFolder / "dataset_description.json",
              json{{"Name", "Talvora example study: atlas"},
                   {"BIDSVersion", "1.8.0"},
                   {"DatasetType", "derivative"},
                   {"GeneratedBy", json::array({json{{"Name", "talvora-make-bids-study"}}})}});
}

void writeDataset(const BidsStudyOptions& options, const fs::path& dataset, std::ostream& progress) {
    const Sources sources{dataset / ".sources"};
    study::GrangerStudyOptions granger;
    granger.subjects = options.participants;
    std::ostringstream quiet;
    study::writeGrangerStudy(granger, sources.granger(), quiet);

    std::string participants = "participant_id\n";
    json truth = json::object();
    std::map<std::string, TaskOutput> first;
    for (int p = 1; p <= options.participants; ++p) {
        auto tasks = writeParticipant(options, p, dataset, sources);
        const std::string subject = "sub-" + participantLabel(p);
        for (const auto& [task, output] : tasks) truth[subject][task] = output.truth;
        // The AP/PA field-map pair is for the latency runs, on their grid.
        std::vector<fs::path> latencyRuns;
        for (const auto& run : tasks.at(kLatencyTask).truth["bold"])
            latencyRuns.push_back(dataset / run.get<std::string>());
        truth[subject]["field_map"] =
            writeFieldMaps(dataset / subject, latencyRuns, static_cast<std::uint64_t>(p));
        participants += subject + "\n";
        progress << "wrote " << subject << "\n";
        if (p == 1) first = std::move(tasks);
    }
    fs::remove_all(sources.scratch);
    writeAtlas(dataset, first);
    writeJson(dataset / "dataset_description.json", json{{"Name", "Talvora example study"},
                                                         {"BIDSVersion", "1.8.0"},
                                                         {"DatasetType", "raw"},
                                                         {"Authors", {"talvora-make-bids-study"}}});
    writeText(dataset / "README", readme());
    writeText(dataset / ".bidsignore", "truth.json\n");
    writeText(dataset / "participants.tsv", participants);
    for (const auto& [task, output] : first)
        writeJson(dataset / ("task-" + task + "_bold.json"),
                  json{{"RepetitionTime", output.trSeconds}, {"TaskName", task}});
    writeJson(dataset / "truth.json", truth);
}

}  // namespace

void writeBidsStudy(const BidsStudyOptions& options, const fs::path& folder, std::ostream& progress) {
    if (options.participants < 1 || options.participants > 99)
        throw std::runtime_error("--participants must be 1 ... 99");
    if (fs::exists(folder) && !(fs::is_directory(folder) && fs::is_empty(folder)))
        throw std::runtime_error(folder.string() + ": exists and is not an empty folder; choose a new one");
    const fs::path absolute = fs::absolute(folder).lexically_normal();
    const fs::path whole = absolute.has_filename() ? absolute : absolute.parent_path();
    const fs::path partial = whole.parent_path() / ("." + whole.filename().string() + ".writing");
    fs::remove_all(partial);
    try {
        writeDataset(options, partial, progress);
        if (fs::exists(whole)) fs::remove(whole);  // the empty folder
        fs::rename(partial, whole);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(partial, ignored);
        throw;
    }
}

}  // namespace bids_study
