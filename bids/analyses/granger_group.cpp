#include "bids/analyses/granger_group.h"

#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "bids/analyses/granger_results.h"
#include "bids/analyses/host_program.h"
#include "bids/analyses/outputs.h"
#include "bids/analyses/run_documents.h"
#include "bids/derivatives/naming.h"
#include "frame/deliverables/CausalisPlugin_v27.h"
#include "host/formats/convert_registry.h"

namespace bids::analyses {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

constexpr const char* kPlugin = tl::deliverables::kCausalisPlugin.name;
constexpr double kAffineTolerance = 1e-4;

// The group preparation names no condition of its own: it takes the one of
// the session's last "RunGCM". The group job runs none (it only reads the
// kept map files), so the condition part of the names it looks for is empty.
std::string subjectMapName(const GrangerResult& result) {
    return "sub-" + result.label + "_COND-_VOI-" + result.referenceRegion + ".gcm";
}

// The first participant's first run, converted again, is the anatomical
// document the plug-in needs and places the group maps (the participants
// share its grid).
struct Anatomy {
    RunDocuments documents;
    fs::path bold;
};

Anatomy anatomyOfFirst(const app::GroupJob& job, const fs::path& work, std::ostream& report) {
    auto runs = app::participantRuns(job.plan, job.participants.front());
    runs.resize(1);
    runs.front().events.reset();
    return {convertRuns(runs, work, report, job.plan.options.threads).front(), runs.front().bold.path};
}

json groupJob(const std::vector<GrangerResult>& results, const Anatomy& anatomy) {
    json prepare = {
        {"NrOfSubjects", results.size()}, {"SelectedTimeWindowMethod", 2}, {"SubjectSpecificVOIs", 1}};
    for (std::size_t i = 0; i < results.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        prepare["SubjID-" + n] = "sub-" + results[i].label;
        prepare["SubjDataFolder-" + n] = "subjects/";
        prepare["SubjVOIName-" + n] = results[i].referenceRegion;
    }
    return json{
        {"comment", "Granger group maps of the participants' kept map files, written by talvora-bids"},
        {"plugin", kPlugin},
        {"work_dir", "."},
        {"log_file", "granger_group.log"},
        {"documents", {{"vmr", anatomy.documents.vmr.filename().string()}}},
        {"commands", json::array({{{"command", "StartCheck"}, {"parameters", {{"VOIFile", ""}}}},
                                  {{"command", "PrepareForANCOVA"}, {"parameters", prepare}}})}};
}

fs::path groupFile(const fs::path& work, const std::string& kind, const GrangerResult& first, std::size_t n) {
    const fs::path file =
        work / ("RFX-" + kind + "_N" + std::to_string(n) + "_COND-_VOI-" + first.referenceRegion + ".vmp");
    if (!fs::is_regular_file(file))
        throw std::runtime_error(file.string() + ": the plug-in saved no group map file of its " + kind +
                                 " maps");
    return file;
}

// The group map file as NIfTI on the first run's grid; its maps must be the
// participants', in order, on the participants' grid.
json convertGroupFile(const fs::path& vmp, const fs::path& image, const std::string& kind,
                      const std::vector<GrangerResult>& results, const Anatomy& anatomy,
                      std::ostream& report) {
    fmt::ConvertRequest request;
    request.input = vmp;
    request.output = image;
    request.options["--like"] = anatomy.documents.vtc.string();
    request.report = &report;
    fmt::runConversion(request);
    json described = json::parse(readText(derivatives::sidecarPath(image)));
    const auto& maps = described.at("Maps");
    if (maps.size() != results.size())
        throw std::runtime_error(vmp.string() + ": holds " + std::to_string(maps.size()) + " maps for " +
                                 std::to_string(results.size()) + " participants");
    for (std::size_t i = 0; i < results.size(); ++i) {
        const std::string expected = "Subject sub-" + results[i].label + ": " + kind;
        if (maps[i].at("Name") != expected)
            throw std::runtime_error(vmp.string() + ": map " + std::to_string(i + 1) + " is \"" +
                                     maps[i].at("Name").get<std::string>() + "\", not \"" + expected + "\"");
    }
    const auto header = fmt::readNiftiHeader(image);
    if ((header.affine - results.front().header.affine).cwiseAbs().maxCoeff() > kAffineTolerance)
        throw std::runtime_error(anatomy.bold.string() + ": no longer on the grid of " +
                                 results.front().statmap.string() + "; run the participant level again");
    return described;
}

}  // namespace
namespace {

const char* describeKind(const std::string& kind) {
    return kind == "INST"
               ? "Instantaneous Granger measure (Inst, Geweke's measure scaled by 100)"
               : "Difference of the directed Granger measures (dGCM = Ref2Vox - Vox2Ref, Geweke's measures scaled "
                 "by 100: > 0 where the reference drives the voxel, < 0 where the voxel drives the reference)";
}

json groupSidecar(const std::string& kind, const json& described, const std::vector<GrangerResult>& results,
                  const app::GroupJob& job, const json& jobFile) {
    const auto& first = results.front();
    json participants = json::array(), sources = json::array(), maps = described.at("Maps");
    for (std::size_t i = 0; i < results.size(); ++i) {
        participants.push_back("sub-" + results[i].label);
        sources.push_back("bids::" +
                          results[i].mapFile.lexically_relative(job.writer.output()).generic_string());
        maps[i]["Participant"] = participants.back();
    }
    json sidecar;
    sidecar["Description"] =
        std::string(describeKind(kind)) + " of the reference region \"" + first.referenceRegion +
        "\" (atlas label " + std::to_string(first.referenceLabel) +
        ") with every voxel over the intervals of condition \"" + first.condition +
        "\", one volume per participant in the order of \"Participants\" (each the map of "
        "that participant's Granger maps), gathered for a random-effects group analysis by "
        "the Talvora Granger plug-in CausalisPlugin_v27";
    sidecar["Participants"] = participants;
    sidecar["Maps"] = maps;
    sidecar["ThresholdLabels"] = described.at("ThresholdLabels");
    sidecar["Sources"] = sources;
    if (!job.plan.task.empty()) sidecar["TaskName"] = job.plan.task;
    sidecar["ReferenceRegion"] = first.referenceRegion;
    sidecar["ReferenceLabel"] = first.referenceLabel;
    sidecar["Condition"] = first.condition;
    sidecar["PluginSettings"] = {
        {"Commands", jobFile.at("commands")},
        {"ParticipantSettings", first.metadata.value("PluginSettings", json::object())}};
    return sidecar;
}

// What the group level writes into OUTPUT/group, removed again unless every
// file was written: a group result is whole or absent.
class GroupOutputs {
public:
    explicit GroupOutputs(fs::path folder) : folder_(std::move(folder)) {}
    GroupOutputs(const GroupOutputs&) = delete;
    GroupOutputs& operator=(const GroupOutputs&) = delete;
    ~GroupOutputs() {
        if (kept_) return;
        std::error_code ignored;
        for (const auto& file : files_) fs::remove(file, ignored);
        for (const auto& folder : {folder_ / "log", folder_})
            if (fs::is_directory(folder, ignored) && fs::is_empty(folder, ignored))
                fs::remove(folder, ignored);
    }
    const fs::path& folder() const { return folder_; }
    void add(const fs::path& file) { files_.push_back(file); }
    void keep() { kept_ = true; }

private:
    fs::path folder_;
    std::vector<fs::path> files_;
    bool kept_ = false;
};

}  // namespace

void runGrangerGroup(const app::GroupJob& job) {
    const fs::path work = job.workDir;
    job.step("reading the Granger maps of " + std::to_string(job.participants.size()) + " participant(s)");
    const auto results = readGrangerResults(job);
    checkOneGroup(results, job.plan.options);

    std::ofstream report(work / "convert_output.txt");
    job.step("converting the first participant's run for the group maps' anatomy and grid");
    const Anatomy anatomy = anatomyOfFirst(job, work, report);
    fs::create_directories(work / "subjects");
    for (const auto& result : results)
        fs::copy_file(result.mapFile, work / "subjects" / subjectMapName(result),
                      fs::copy_options::overwrite_existing);
    const json plan = groupJob(results, anatomy);
    std::ofstream(work / "job.json") << plan.dump(2) << "\n";

    job.step("running CausalisPlugin_v27 in talvora (PrepareForANCOVA)");
    runHostJob(work / "job.json", work / "transcript.json", work / "host_output.txt");

    job.step("writing the group maps as NIfTI");
    layout::FileName name;
    if (!job.plan.task.empty()) name.entities.push_back({"task", job.plan.task});
    GroupOutputs outputs(job.writer.output() / "group");
    for (const std::string kind : {"INST", "dGCM"}) {
        const fs::path image = work / ("group_" + kind + ".nii.gz");
        const json described = convertGroupFile(groupFile(work, kind, results.front(), results.size()), image,
                                                kind, results, anatomy, report);
        const fs::path target =
            outputs.folder() /
            derivatives::derivativeName(name, {{{"desc", "granger" + kind}}, "statmap", ".nii.gz"});
        outputs.add(target);
        outputs.add(derivatives::sidecarPath(target));
        job.writer.writeImage(target, groupSidecar(kind, described, results, job, plan),
                              [&](const fs::path& temporary) { fs::copy_file(image, temporary); });
    }
    for (const auto& [file, suffix, extension] :
         {std::tuple<const char*, const char*, const char*>{"job.json", "job", ".json"},
          {"transcript.json", "transcript", ".json"},
          {"host_output.txt", "hostlog", ".txt"}}) {
        const fs::path target = outputs.folder() / "log" /
                                derivatives::derivativeName(name, {{{"desc", "granger"}}, suffix, extension});
        outputs.add(target);
        job.writer.copyIn(work / file, target);
    }
    outputs.keep();
}

}  // namespace bids::analyses
