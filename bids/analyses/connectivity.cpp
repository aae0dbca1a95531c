#include "bids/analyses/connectivity.h"

#include "bids/analyses/connectivity_core.h"
#include "bids/analyses/connectivity_inputs.h"
#include "bids/analyses/connectivity_outputs.h"
#include "bids/analyses/outputs.h"
#include "bids/derivatives/naming.h"

#include <cctype>
#include <set>
#include <sstream>

namespace bids::analyses {
namespace fs = std::filesystem;
using nlohmann::json;
using namespace connectivity;

namespace {

const char* const kVolumeRule =
    "a volume belongs to a condition when its acquisition, from t*RepetitionTime to (t+1)*RepetitionTime "
    "after the start of the run, overlaps an event of the condition shifted by HaemodynamicDelay seconds "
    "(an event of duration 0 takes the volume it falls in); per run, each region's time course over those "
    "volumes less its mean, the runs then joined";

struct ConditionResult {
    std::string condition;
    std::string desc;  // desc entity of its files
    Eigen::MatrixXd correlations;
    std::vector<std::size_t> volumesPerRun;
    std::size_t volumes = 0;
};

std::string joinedRuns(const Inputs& inputs, const std::vector<std::size_t>& volumesPerRun) {
    std::string text;
    for (std::size_t r = 0; r < inputs.runs.size(); ++r)
        if (volumesPerRun[r] > 0) text += (text.empty() ? "" : ", ") + inputs.runs[r].bold.string();
    return text;
}

std::string regionText(const Region& region) {
    return "region \"" + region.name + "\" (label " + std::to_string(region.label) + ")";
}

ConditionResult correlate(const Inputs& inputs, const std::string& condition) {
    ConditionResult result;
    result.condition = condition;
    std::vector<Eigen::MatrixXd> blocks;
    std::vector<bool> varies(inputs.regions.size(), false);
    for (const auto& run : inputs.runs) {
        const auto found = run.byCondition.find(condition);
        const auto volumes =
            found == run.byCondition.end()
                ? std::vector<std::size_t>{}
                : conditionVolumes(found->second, run.trSeconds, static_cast<std::size_t>(run.series.rows()),
                                   kHaemodynamicDelaySeconds);
        result.volumesPerRun.push_back(volumes.size());
        result.volumes += volumes.size();
        if (volumes.empty()) continue;
        Eigen::MatrixXd raw(static_cast<Eigen::Index>(volumes.size()), run.series.cols());
        for (std::size_t i = 0; i < volumes.size(); ++i)
            raw.row(static_cast<Eigen::Index>(i)) = run.series.row(static_cast<Eigen::Index>(volumes[i]));
        for (Eigen::Index c = 0; c < raw.cols(); ++c)
            if (!(raw.col(c).array() == raw(0, c)).all()) varies[static_cast<std::size_t>(c)] = true;
        blocks.push_back(centredRows(run.series, volumes));
    }
    if (result.volumes < kMinimumVolumes) {
        std::string events;
        for (const auto& run : inputs.runs) events += (events.empty() ? "" : ", ") + run.events.string();
        throw std::runtime_error(events + ": condition \"" + condition + "\" takes " +
                                 std::to_string(result.volumes) + " volume(s) of the runs, fewer than the " +
                                 std::to_string(kMinimumVolumes) + " a correlation needs");
    }
    // Constant within every run means nothing is left once each run's mean is
    // removed: the correlation is undefined, never reported as a number.
    for (std::size_t c = 0; c < varies.size(); ++c)
        if (!varies[c])
            throw std::runtime_error(joinedRuns(inputs, result.volumesPerRun) + ": the time course of " +
                                     regionText(inputs.regions[c]) + " is constant over the " +
                                     std::to_string(result.volumes) + " volumes of condition \"" + condition +
                                     "\"; its correlations are undefined");
    try {
        result.correlations = pearsonMatrix(stackRows(blocks));
    } catch (const ConstantRegion& e) {
        throw std::runtime_error(joinedRuns(inputs, result.volumesPerRun) + ": the time course of " +
                                 regionText(inputs.regions[e.region]) + " does not vary over condition \"" +
                                 condition + "\"; its correlations are undefined");
    }
    if (!result.correlations.allFinite())
        throw std::runtime_error(joinedRuns(inputs, result.volumesPerRun) +
                                 ": the correlations of condition \"" + condition +
                                 "\" are not finite numbers");
    return result;
}

// The desc entity of a condition's files: letters and digits only.
std::string conditionDesc(const std::string& condition, std::size_t index, std::set<std::string>& used) {
    std::string desc = "connectivity";
    bool wordStart = true;
    for (unsigned char c : condition) {
        if (std::isalnum(c) && c < 128) {
            desc += static_cast<char>(wordStart ? std::toupper(c) : c);
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    if (desc == "connectivity" || !used.insert(desc).second) {
        desc += "Condition" + std::to_string(index + 1);
        used.insert(desc);
    }
    return desc;
}

json commonSidecar(const app::ParticipantJob& job, const Inputs& inputs) {
    json sources = json::array();
    for (const auto& run : job.runs) {
        sources.push_back("bids::" + run.bold.relative.generic_string());
        if (run.events) sources.push_back("bids::" + run.events->relative.generic_string());
    }
    json names = json::array(), labels = json::array(), sizes = json::array(), trs = json::array();
    for (const auto& region : inputs.regions) {
        names.push_back(region.name);
        labels.push_back(region.label);
        sizes.push_back(region.voxels);
    }
    for (const auto& run : inputs.runs) trs.push_back(run.trSeconds);
    json outside = json::array();
    for (const auto& region : inputs.outside)
        outside.push_back(json{{"Name", region.name}, {"Label", region.label}});
    const auto& options = job.plan.options;
    return json{
        {"Sources", sources},
        {"Atlas", fs::absolute(options.atlas).string()},
        {"AtlasLabels", options.atlasLabels.empty() ? "" : fs::absolute(options.atlasLabels).string()},
        {"RegionNames", names},
        {"RegionLabels", labels},
        {"RegionVoxels", sizes},
        {"RegionsOutsideRuns", outside},
        {"RegionTimeCourse",
         "the mean over the region's voxels, the atlas read at the centre of every "
         "voxel of each run"},
        {"RepetitionTime", trs},
        {"VolumeRule", kVolumeRule},
        {"HaemodynamicDelay", kHaemodynamicDelaySeconds},
        {"MinimumVolumes", kMinimumVolumes}};
}

}  // namespace

void runConnectivity(const app::ParticipantJob& job) {
    const auto& options = job.plan.options;
    job.step("reading the atlas and " + std::to_string(job.runs.size()) + " run(s)");
    const Inputs inputs = readInputs(options.atlas, options.atlasLabels, job.runs);
    for (const auto& region : inputs.outside)
        job.step("note: " + options.atlas.string() + ": " + regionText(region) +
                 " has no voxel on the grid of any run; it is left out");
    std::vector<std::string> conditions = inputs.conditions;
    if (!options.condition.empty()) {
        if (std::find(conditions.begin(), conditions.end(), options.condition) == conditions.end()) {
            std::string known;
            for (const auto& c : conditions) known += (known.empty() ? "" : ", ") + c;
            throw std::runtime_error(inputs.runs.front().events.string() + ": no trial_type \"" +
                                     options.condition + "\" (trial types: " + known + ")");
        }
        conditions = {options.condition};
    }

    job.step("correlating " + std::to_string(inputs.regions.size()) + " regions in " +
             std::to_string(conditions.size()) + " condition(s)");
    std::vector<ConditionResult> results;
    std::set<std::string> used;
    for (std::size_t k = 0; k < conditions.size(); ++k) {
        results.push_back(correlate(inputs, conditions[k]));
        results.back().desc = conditionDesc(conditions[k], k, used);
    }
    std::vector<std::string> regions;
    std::vector<int> sizes;
    for (const auto& region : inputs.regions) regions.push_back(region.name), sizes.push_back(region.voxels);
    std::vector<MeasuredMatrix> measured;
    for (const auto& result : results)
        measured.push_back({"", result.condition, graphWeights(result.correlations)});
    // Everything is computed before the first file is written.
    const std::string measures = measuresTable(measured, regions, false);

    job.step("writing the matrices, the study manifest and the graph measures");
    const auto name = allRunsName(job.runs.front());
    const json common = commonSidecar(job, inputs);
    std::vector<ManifestEntry> entries;
    json volumes = json::object();
    for (std::size_t k = 0; k < results.size(); ++k) {
        const auto& result = results[k];
        const auto table = derivatives::derivativePath(job.writer.output(), name, "func",
                                                       {{{"desc", result.desc}}, "relmat", ".tsv"});
        json sidecar = common;
        sidecar["Description"] =
            "Pearson correlations between the mean time courses of the atlas regions over the volumes of "
            "condition \"" +
            result.condition +
            "\": the .tsv with the region names as its header, the .csv (the same correlations with 0 on the "
            "diagonal) for the graph plug-in Nodora";
        sidecar["Condition"] = result.condition;
        sidecar["NumberOfVolumes"] = result.volumes;
        sidecar["VolumesPerRun"] = result.volumesPerRun;
        job.writer.writeJson(fs::path(table).replace_extension(".json"), sidecar);
        job.writer.writeText(table, matrixTable(regions, result.correlations));
        const auto csv = fs::path(table).replace_extension(".csv");
        job.writer.writeText(csv, weightsCsv(measured[k].weights));
        entries.push_back({result.condition, csv.filename().string()});
        volumes[result.condition] = result.volumes;
    }
    const auto measuresFile = derivatives::derivativePath(job.writer.output(), name, "func",
                                                          {{{"desc", "connectivity"}}, "measures", ".tsv"});
    json sidecar = common;
    sidecar["Description"] =
        "Graph measures of the connectivity matrices (the .csv files of the study manifest) as the graph "
        "plug-in Nodora computes them with linkmesh: per condition one row per region with the per-region "
        "measures, then one row with region \"n/a\" holding the global ones";
    sidecar["WeightPolicy"] = "positive weights only (negative correlations set to 0), 0 on the diagonal";
    sidecar["NumberOfVolumes"] = volumes;
    job.writer.writeJson(fs::path(measuresFile).replace_extension(".json"), sidecar);
    job.writer.writeText(measuresFile, measures);

    const auto manifest = derivatives::derivativePath(job.writer.output(), name, "func",
                                                      {{{"desc", "connectivity"}}, "manifest", ".json"});
    job.writer.writeJson(
        manifest, studyManifest("sub-" + job.label, regions, sizes, entries,
                                "Connectivity of sub-" + job.label + " by talvora-bids: " + kVolumeRule));
}

}  // namespace bids::analyses
