#include "bids/analyses/connectivity.h"

#include "bids/analyses/connectivity_outputs.h"
#include "bids/layout/entities.h"
#include "graph/io/study_manifest.h"
#include "graph/io/subject_data.h"

#include <algorithm>
#include <stdexcept>

namespace bids::analyses {
namespace fs = std::filesystem;
using nlohmann::json;
using namespace connectivity;

namespace {

// The participant's study manifest of the task in OUTPUT_DIR.
fs::path participantManifest(const fs::path& output, const std::string& label, const std::string& task) {
    const fs::path folder = output / ("sub-" + label);
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto name = layout::parseFileName(entry.path().filename().string());
        if (!name || name->suffix != "manifest" || name->extension != ".json" ||
            name->get("desc") != "connectivity")
            continue;
        if (!task.empty() && name->get("task") != task) continue;
        found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    if (found.empty())
        throw std::runtime_error(folder.string() +
                                 ": no connectivity study manifest (*_desc-connectivity_manifest"
                                 ".json) of task " +
                                 task);
    if (found.size() > 1)
        throw std::runtime_error(found[1].string() + ": a second connectivity study manifest of task " +
                                 task + " beside " + found[0].string());
    return found.front();
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

}  // namespace

void runConnectivityGroup(const app::GroupJob& job) {
    const fs::path output = job.writer.output();
    const std::string task = job.plan.task;
    std::vector<std::string> regions;
    std::vector<int> sizes;
    fs::path firstManifest;
    std::vector<ManifestEntry> entries;
    std::vector<MeasuredMatrix> measured;
    json sources = json::array();
    job.step("reading " + std::to_string(job.participants.size()) + " participants' study manifests");
    for (const auto& label : job.participants) {
        const fs::path path = participantManifest(output, label, task);
        graph::io::Subject subject;
        subject.manifest = graph::io::readStudyManifest(path.string());
        subject.folder = path.parent_path().string();
        const auto names = graph::io::selectNodeNames(subject.manifest);
        if (firstManifest.empty()) {
            firstManifest = path, regions = names, sizes = subject.manifest.vois_sizes;
        } else if (names != regions) {
            throw std::runtime_error(path.string() + ": its regions (" + listed(names) +
                                     ") differ from those of " + firstManifest.string() + " (" +
                                     listed(regions) + ")");
        }
        const auto matrices = graph::io::loadFinalMatrices(subject);
        const auto& conditions = subject.manifest.ordered_conditions;
        if (conditions.size() != matrices.size())
            throw std::runtime_error(path.string() + ": " + std::to_string(matrices.size()) +
                                     " matrices but " + std::to_string(conditions.size()) + " conditions");
        const fs::path relative = fs::relative(path.parent_path(), output);
        for (std::size_t k = 0; k < matrices.size(); ++k) {
            const std::string participant = "sub-" + label;
            entries.push_back({participant + " / " + conditions[k].name,
                               (relative / subject.manifest.final_mtx[k]).generic_string()});
            measured.push_back({participant, conditions[k].name, matrices[k]});
        }
        sources.push_back(fs::relative(path, output).generic_string());
    }
    job.step("computing the graph measures of " + std::to_string(measured.size()) + " matrices");
    const std::string measures = measuresTable(measured, regions, true);

    job.step("writing the group study manifest and measures");
    const std::string stem = "task-" + task + "_desc-connectivity_";
    json sidecar = {
        {"Description",
         "Graph measures of every participant's connectivity matrices (one per condition, the "
         "matrices of the group study manifest) as the graph plug-in Nodora computes them with "
         "linkmesh: per participant and condition one row per region, then one row with region "
         "\"n/a\" holding the global measures"},
        {"WeightPolicy", "positive weights only (negative correlations set to 0), 0 on the diagonal"},
        {"Sources", sources},
        {"RegionNames", regions}};
    job.writer.writeJson(output / (stem + "measures.json"), sidecar);
    job.writer.writeText(output / (stem + "measures.tsv"), measures);
    job.writer.writeJson(output / (stem + "manifest.json"),
                         studyManifest("group task-" + task, regions, sizes, entries,
                                       "Connectivity of " + std::to_string(job.participants.size()) +
                                           " participants by talvora-bids, one matrix per participant and "
                                           "condition"));
}

}  // namespace bids::analyses
