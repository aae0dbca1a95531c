#include "bids/analyses/latency.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "bids/analyses/host_program.h"
#include "bids/analyses/outputs.h"
#include "bids/analyses/run_documents.h"
#include "bids/derivatives/naming.h"
#include "frame/deliverables/LatmapPlugin.h"
#include "host/formats/convert_registry.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vtc_file.h"

namespace bids::analyses {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

// The plug-in's default event-related window, shortened to the shortest time
// between two trials of the condition so that windows never overlap.
constexpr int kLongestWindowMs = 16000;
constexpr int kShortestWindowMs = 5000;  // the least the plug-in accepts

int windowMs(const std::vector<RunDocuments>& documents, int condition, const app::Run& first) {
    int shortest = kLongestWindowMs;
    for (const auto& run : documents) {
        const auto starts = fmt::readProtocolFile(run.protocol).conditions.at(condition - 1).starts;
        for (std::size_t i = 1; i < starts.size(); ++i)
            shortest = std::min(shortest, starts[i] - starts[i - 1]);
    }
    if (shortest < kShortestWindowMs)
        throw std::runtime_error(first.events->path.string() + ": trials of the condition are " +
                                 std::to_string(shortest) +
                                 " ms apart; the latency analysis needs at least " +
                                 std::to_string(kShortestWindowMs) + " ms after each");
    return shortest;
}

void checkRunLengths(const std::vector<RunDocuments>& documents, const std::vector<app::Run>& runs,
                     int window) {
    for (std::size_t i = 0; i < documents.size(); ++i) {
        const auto header = fmt::readVtcHeader(documents[i].vtc);
        if (static_cast<long long>(header.nrOfVolumes) * header.trMilliseconds() < window)
            throw std::runtime_error(runs[i].bold.path.string() + ": a run of " +
                                     std::to_string(header.nrOfVolumes) + " volumes is shorter than the " +
                                     std::to_string(window) + " ms window the latency analysis needs");
    }
}

// Every voxel of the runs' grid: the maps then cover the whole image.
fs::path writeWholeGridMask(const RunDocuments& first, const fs::path& folder) {
    fmt::MaskFile mask;
    mask.grid = fmt::readVtcHeader(first.vtc).grid;
    mask.voxels.assign(mask.grid.voxelCount(), 1);
    const fs::path path = folder / "grid.msk";
    fmt::writeMaskFile(path, mask);
    return path;
}

json ask(const std::string& expect, json value) {
    return json{{"expect", expect}, {"value", std::move(value)}};
}

json latencyJob(const std::vector<RunDocuments>& documents, int condition, int window) {
    json answers = json::array({ask("Select VTC access mode", 3)});
    json protocols = json::object();
    for (std::size_t i = 0; i < documents.size(); ++i) {
        const auto vtc = documents[i].vtc.filename().string();
        answers.push_back(ask("Please choose VTC n." + std::to_string(i + 1) + " (cancel to stop)", vtc));
        protocols[vtc] = documents[i].protocol.filename().string();
    }
    answers.push_back(
        ask("Please choose VTC n." + std::to_string(documents.size() + 1) + " (cancel to stop)", nullptr));
    answers.push_back(ask("Choose the mask file :", "grid.msk"));
    answers.push_back(ask("Enter protocol condition:", condition));
    answers.push_back(ask("Enter an integer interpolation factor", 1));
    answers.push_back(ask("Enter event-related time window for processing (in msec):", window));
    answers.push_back(ask("Do you want to perform single-trial-based analysis ?", false));
    answers.push_back(ask("Do you want to force a return-to-baseline part?", true));
    answers.push_back(ask("Choose a name for the BLM file :", "latency.blm"));
    return json{{"comment", "Latency mapping of every voxel of the runs, written by talvora-bids"},
                {"plugin", tl::deliverables::kLatmapPlugin.name},
                {"work_dir", "out"},
                {"documents", {{"vmr", documents.front().vmr.filename().string()}, {"protocols", protocols}}},
                {"answers", answers}};
}

json mapSidecar(const app::ParticipantJob& job, const fs::path& conversionSidecar, const json& answers,
                int condition, const std::vector<RunDocuments>& documents) {
    json sidecar = json::parse(readText(conversionSidecar));
    sidecar.erase("Source");
    sidecar["Description"] =
        "Latency maps of the trapezoid fitted to the average trial of condition \"" +
        documents.front().conditions.at(condition - 1) +
        "\" in every voxel (one volume per map, in the order of \"Maps\"; times in seconds, amplitude in percent "
        "signal change), by the Talvora latency plug-in LatmapPlugin";
    json sources = json::array();
    for (const auto& run : job.runs) sources.push_back("bids::" + run.bold.relative.generic_string());
    sidecar["Sources"] = sources;
    sidecar["RepetitionTime"] = documents.front().trMs / 1000.0;
    sidecar["PluginSettings"] = answers;
    return sidecar;
}

}  // namespace

void runLatency(const app::ParticipantJob& job) {
    const fs::path work = job.workDir;
    std::ofstream report(work / "convert_output.txt");
    job.step("converting " + std::to_string(job.runs.size()) + " run(s) and their events");
    const auto documents = convertRuns(job.runs, work, report, job.plan.options.threads);
    const int condition = conditionNumber(documents, job.runs.front(), job.plan.options.condition);
    const int window = windowMs(documents, condition, job.runs.front());
    checkRunLengths(documents, job.runs, window);
    writeWholeGridMask(documents.front(), work);
    const json plan = latencyJob(documents, condition, window);
    std::ofstream(work / "job.json") << plan.dump(2) << "\n";

    job.step(std::string("running ") + tl::deliverables::kLatmapPlugin.name + " in talvora");
    runHostJob(work / "job.json", work / "transcript.json", work / "host_output.txt");

    job.step("writing the latency maps as NIfTI");
    fmt::ConvertRequest back;
    back.input = work / "out" / "latency.blm";
    back.output = work / "latency.nii.gz";
    back.options["--like"] = documents.front().vtc.string();
    back.report = &report;
    fmt::runConversion(back);
    const auto name = allRunsName(job.runs.front());
    const auto target = derivatives::derivativePath(job.writer.output(), name, "func",
                                                    {{{"desc", "latency"}}, "statmap", ".nii.gz"});
    const auto sidecar = mapSidecar(job, work / "latency.json", plan["answers"], condition, documents);
    job.writer.writeImage(target, sidecar,
                          [&](const fs::path& temporary) { fs::copy_file(back.output, temporary); });
    keepHostLogs(job, name, "latency", work);
}

}  // namespace bids::analyses
