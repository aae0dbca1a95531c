#include "bids/analyses/granger.h"

#include <fstream>

#include <nlohmann/json.hpp>

#include "bids/analyses/host_program.h"
#include "bids/analyses/outputs.h"
#include "bids/analyses/run_documents.h"
#include "bids/derivatives/naming.h"
#include "frame/deliverables/CausalisPlugin_v27.h"
#include "host/bids/atlas_labels.h"
#include "host/bids/atlas_to_voi.h"
#include "host/formats/convert_registry.h"

namespace bids::analyses {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

// The plug-in is named by its deliverable, as the host loads it.
constexpr const char* kPlugin = tl::deliverables::kCausalisPlugin.name;

// The plug-in reads its settings from the folder its library lies in, so
// each run gets a folder of its own holding a link to the library and the
// settings this app chose: the run never depends on a settings file left in
// the installation, and the job file repeats it exactly.
const char* const kSettings =
    "// Granger causality mapping settings written by talvora-bids\n"
    "AutoRegressionOrder= 2\n"
    "QThresholdsForFDR= 0.01 0.05 0.1\n"
    "NumSurrogateSimulations= 1000\n";

fs::path preparePluginFolder(const fs::path& work) {
    const fs::path library = hostPluginsFolder() / (std::string(kPlugin) + ".so");
    if (!fs::is_regular_file(library))
        throw std::runtime_error(library.string() + ": the Granger plug-in is not beside the host");
    const fs::path folder = work / "plugins";
    fs::create_directories(folder);
    const fs::path link = folder / library.filename();
    fs::remove(link);
    fs::create_symlink(fs::canonical(library), link);
    std::ofstream(folder / "VUVIrurar.ini") << kSettings;
    return link;
}

// The reference region of the atlas as the one VOI of the file the plug-in
// gets, on the first run's grid; returns its name (from the label table).
// Only that label is converted: the plug-in needs no other region, and a
// whole-grid atlas as VOIs is megabytes of text written and read back.
std::string convertReferenceRegion(const app::Plan& plan, const RunDocuments& first, const fs::path& vois,
                                   std::ostream& report) {
    const auto& options = plan.options;
    const int label = *options.referenceLabel;
    const fs::path table =
        options.atlasLabels.empty() ? talvora::bids::labelsBesideAtlas(options.atlas) : options.atlasLabels;
    const auto names =
        table.empty() ? std::map<long long, std::string>{} : talvora::bids::readAtlasLabels(table);
    const std::string name = talvora::bids::atlasLabelName(names, label);
    // The region is found by its name, so no other label of the table may carry it.
    for (const auto& entry : names)
        if (entry.first != label && entry.first != 0 &&
            talvora::bids::atlasLabelName(names, entry.first) == name)
            throw std::runtime_error(table.string() + ": the name \"" + name + "\" of the reference label " +
                                     std::to_string(label) + " is given to more than one label");

    fmt::ConvertRequest request;
    request.input = options.atlas;
    request.output = vois;
    request.options["--like"] = first.vtc.string();
    if (!options.atlasLabels.empty()) request.options["--labels"] = options.atlasLabels.string();
    request.report = &report;
    if (!talvora::bids::convertAtlasLabelToVoi(request, label))
        throw std::runtime_error(options.atlas.string() + ": the reference label " + std::to_string(label) +
                                 " (\"" + name + "\") has no voxel on the grid of the participant's runs");
    return name;
}

json grangerJob(const std::vector<RunDocuments>& documents, const std::string& subject, int reference,
                int condition, const std::string& conditionName) {
    json protocols = json::object();
    for (const auto& run : documents)
        protocols[run.vtc.filename().string()] = run.protocol.filename().string();
    json run = {{"VOIFile", "regions.voi"},         {"SelectedVOIIndex", reference},
                {"SelectedTimeWindowMethod", 2},    {"SelectedConditionName", conditionName},
                {"VTCProtocolCond", condition - 1}, {"SubjectID", subject},
                {"NrOfSubjVTCs", documents.size()}};
    for (std::size_t i = 0; i < documents.size(); ++i)
        run["SubjVTC-" + std::to_string(i + 1)] = documents[i].vtc.filename().string();
    const auto first = documents.front().vtc.filename().string();
    return json{{"comment",
                 "Granger causality mapping of a reference region against every voxel, written by "
                 "talvora-bids"},
                {"plugin", "plugins/" + std::string(kPlugin) + ".so"},
                {"work_dir", "."},
                {"log_file", "granger_run.log"},
                {"documents", {{"vmr", documents.front().vmr.filename().string()}, {"protocols", protocols}}},
                {"commands",
                 json::array({{{"command", "StartCheck"}, {"parameters", {{"VOIFile", "regions.voi"}}}},
                              {{"command", "GetCondsOfVTCProtocol"}, {"parameters", {{"VTCFile", first}}}},
                              {{"command", "RunGCM"}, {"parameters", run}}})}};
}

fs::path theMapFile(const fs::path& work) {
    fs::path found;
    for (const auto& entry : fs::directory_iterator(work))
        if (entry.path().extension() == ".gcm") {
            if (!found.empty())
                throw std::runtime_error(work.string() + ": the plug-in wrote several map files");
            found = entry.path();
        }
    if (found.empty()) throw std::runtime_error(work.string() + ": the plug-in wrote no map file (.gcm)");
    return found;
}

// The plug-in's own map file and its log, kept beside the NIfTI maps so that
// the group level gathers the participants' maps without the work folder.
// Returns the map file's path relative to the output folder.
std::string keepMapFile(const app::ParticipantJob& job, const layout::FileName& name,
                        const fs::path& mapFile) {
    const auto kept = derivatives::derivativePath(job.writer.output(), name, "func",
                                                  {{{"desc", "granger"}}, "maps", ".gcm"});
    job.writer.copyIn(mapFile, kept);
    fs::path log = mapFile;
    log.replace_extension(".log");
    // The plug-in only warns when it cannot write its log; the maps stand alone.
    if (fs::is_regular_file(log))
        job.writer.copyIn(log,
                          job.writer.output() / ("sub-" + job.label) / "log" /
                              derivatives::derivativeName(name, {{{"desc", "granger"}}, "gcmlog", ".txt"}));
    return kept.lexically_relative(job.writer.output()).generic_string();
}

json mapSidecar(const app::ParticipantJob& job, const fs::path& conversionSidecar, const json& plan,
                const std::string& referenceName, const std::string& conditionName, int trMs) {
    json sidecar = json::parse(readText(conversionSidecar));
    sidecar.erase("Source");
    sidecar["Description"] =
        "Granger causality maps of the reference region \"" + referenceName + "\" (atlas label " +
        std::to_string(*job.plan.options.referenceLabel) +
        ") against every voxel, over the intervals of "
        "condition \"" +
        conditionName +
        "\" (one volume per map, in the order of \"Maps\"; Geweke's measures scaled by 100, thresholds from "
        "surrogate references at the false discovery rates of \"ThresholdLabels\"), by the Talvora Granger "
        "plug-in CausalisPlugin_v27";
    json sources = json::array();
    for (const auto& run : job.runs) sources.push_back("bids::" + run.bold.relative.generic_string());
    sidecar["Sources"] = sources;
    sidecar["Atlas"] = fs::absolute(job.plan.options.atlas).string();
    sidecar["ReferenceLabel"] = *job.plan.options.referenceLabel;
    sidecar["ReferenceRegion"] = referenceName;
    sidecar["Condition"] = conditionName;
    sidecar["SubjectID"] = "sub-" + job.label;
    sidecar["RepetitionTime"] = trMs / 1000.0;
    sidecar["PluginSettings"] = {{"Commands", plan["commands"]}, {"SettingsFile", kSettings}};
    return sidecar;
}

}  // namespace

void runGranger(const app::ParticipantJob& job) {
    const fs::path work = job.workDir;
    std::ofstream report(work / "convert_output.txt");
    job.step("converting " + std::to_string(job.runs.size()) + " run(s), their events and the atlas");
    const auto documents = convertRuns(job.runs, work, report, job.plan.options.threads);
    const int condition = conditionNumber(documents, job.runs.front(), job.plan.options.condition);
    const std::string conditionName = documents.front().conditions.at(condition - 1);
    const std::string referenceName =
        convertReferenceRegion(job.plan, documents.front(), work / "regions.voi", report);
    preparePluginFolder(work);
    // The reference region is the file's only VOI.
    const json plan = grangerJob(documents, "sub-" + job.label, 0, condition, conditionName);
    std::ofstream(work / "job.json") << plan.dump(2) << "\n";

    job.step("running CausalisPlugin_v27 in talvora");
    runHostJob(work / "job.json", work / "transcript.json", work / "host_output.txt");

    job.step("writing the Granger maps as NIfTI");
    fmt::ConvertRequest back;
    back.input = theMapFile(work);
    back.output = work / "granger.nii.gz";
    back.options["--like"] = documents.front().vtc.string();
    back.report = &report;
    fmt::runConversion(back);
    const auto name = allRunsName(job.runs.front());
    const auto target = derivatives::derivativePath(job.writer.output(), name, "func",
                                                    {{{"desc", "granger"}}, "statmap", ".nii.gz"});
    auto sidecar =
        mapSidecar(job, work / "granger.json", plan, referenceName, conditionName, documents.front().trMs);
    // The map file goes first: a statmap whose sidecar names it implies it is there.
    sidecar["MapFile"] = keepMapFile(job, name, back.input);
    job.writer.writeImage(target, sidecar,
                          [&](const fs::path& temporary) { fs::copy_file(back.output, temporary); });
    keepHostLogs(job, name, "granger", work);
}

}  // namespace bids::analyses
