#include "graph/io/subject_report.h"

#include "graph/core/feature_registry.h"
#include "graph/core/graph_feature_compute.h"
#include "graph/io/subject_data.h"
#include "linkmesh/tools/usage_answer.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace graph::io {

using namespace graph::core;

namespace {

constexpr const char* kUsage =
    "usage: nodora-measures MANIFEST.json [MANIFEST.json ...]\n"
    "Prints every graph measure of the final matrices of each study manifest:\n"
    "the global efficiency of each matrix and, per node, clustering coefficient,\n"
    "local efficiency, degree, eigenvector centrality, strength and nodal\n"
    "global efficiency.\n";

// The per-node measures, in the order of the feature table.
const std::vector<std::string>& nodalKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> list;
        for (const FeatureDefinition& d : featureRegistry())
            if (!d.isGroup() && !d.scalar) list.push_back(d.key);
        return list;
    }();
    return keys;
}

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(value));
    return text;
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// Ends a table line without the padding of its last cell.
void endLine(std::ostringstream& text, std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    text << line << "\n";
}

std::string matrixLabel(const Subject& subject, std::size_t k) {
    if (subject.manifest.uses_proto && k < subject.manifest.ordered_conditions.size()) {
        const ConditionRecord& c = subject.manifest.ordered_conditions[k];
        return c.name + (c.type == 2 ? " (trigger)" : "");
    }
    return "Series " + std::to_string(k);
}

}  // namespace

void writeSubjectReport(std::ostream& out, const std::string& manifestPath) {
    Subject subject;
    subject.manifest = readStudyManifest(manifestPath);
    subject.folder = std::filesystem::absolute(manifestPath).parent_path().string();
    const std::vector<Eigen::MatrixXf> matrices = loadFinalMatrices(subject);
    const std::vector<std::string> names = selectNodeNames(subject.manifest);

    // Everything is computed before the first line is written.
    const auto global = computeFeatureValues("global_efficiency", matrices);
    std::vector<std::vector<std::vector<float>>> nodal;
    for (const std::string& key : nodalKeys()) nodal.push_back(computeFeatureValues(key, matrices));

    std::ostringstream text;
    text << "Subject " << subject.manifest.unique_id << " (" << manifestPath << "): " << matrices.size()
         << (matrices.size() == 1 ? " matrix" : " matrices") << ", method " << subject.manifest.method
         << "\n";
    if (hasNegativeWeight(matrices))
        text << "Negative weights: measures use " << weightPolicyText(WeightPolicy::PositiveOnly) << "\n";
    for (std::size_t k = 0; k < matrices.size(); ++k) {
        text << "\nMatrix " << k << ": " << matrixLabel(subject, k) << " (" << subject.manifest.final_mtx[k]
             << "), " << matrices[k].rows() << " nodes\n";
        text << "global_efficiency " << number(global[k][0]) << "\n";
        std::string header = padded("node", 6) + padded("name", 16);
        for (const std::string& key : nodalKeys()) header += padded(key, 24);
        endLine(text, header);
        for (Eigen::Index i = 0; i < matrices[k].rows(); ++i) {
            const std::size_t node = static_cast<std::size_t>(i);
            std::string line =
                padded(std::to_string(i), 6) + padded(node < names.size() ? names[node] : "?", 16);
            for (const auto& measure : nodal) line += padded(number(measure[k][node]), 24);
            endLine(text, line);
        }
    }
    out << text.str();
}

int runSubjectReports(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (const auto answered = linkmesh::cli::usageAnswer(args, kUsage, out, err)) return *answered;
    int status = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        try {
            std::ostringstream report;
            writeSubjectReport(report, args[i]);
            out << (i ? "\n" : "") << report.str();
        } catch (const std::exception& e) {
            err << "nodora-measures: " << e.what() << "\n";
            status = 1;
        }
    }
    return status;
}

}  // namespace graph::io
