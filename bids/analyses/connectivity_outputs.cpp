#include "bids/analyses/connectivity_outputs.h"

#include "graph/core/feature_registry.h"
#include "graph/core/graph_feature_compute.h"

#include <cstdio>
#include <sstream>

namespace bids::analyses::connectivity {
using nlohmann::json;

namespace {

std::string number(double value, int digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

}  // namespace

std::string matrixTable(const std::vector<std::string>& regions, const Eigen::MatrixXd& matrix) {
    std::ostringstream text;
    for (std::size_t i = 0; i < regions.size(); ++i) text << (i ? "\t" : "") << regions[i];
    text << "\n";
    for (Eigen::Index i = 0; i < matrix.rows(); ++i) {
        for (Eigen::Index j = 0; j < matrix.cols(); ++j) text << (j ? "\t" : "") << number(matrix(i, j), 10);
        text << "\n";
    }
    return text.str();
}

Eigen::MatrixXf graphWeights(const Eigen::MatrixXd& correlations) {
    Eigen::MatrixXf weights = correlations.cast<float>();
    weights.diagonal().setZero();
    return weights;
}

std::string weightsCsv(const Eigen::MatrixXf& weights) {
    std::ostringstream text;
    for (Eigen::Index i = 0; i < weights.rows(); ++i) {
        for (Eigen::Index j = 0; j < weights.cols(); ++j)
            text << (j ? "," : "") << number(static_cast<double>(weights(i, j)), 9);
        text << "\n";
    }
    return text.str();
}

json studyManifest(const std::string& id, const std::vector<std::string>& regions,
                   const std::vector<int>& regionSizes, const std::vector<ManifestEntry>& entries,
                   const std::string& comments) {
    json selected = json::array(), ordered = json::array(), names = json::array(), files = json::array();
    for (std::size_t i = 0; i < regions.size(); ++i) selected.push_back(i);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        ordered.push_back({{"t", k}, {"name", entries[k].name}, {"type", 1}});
        names.push_back(entries[k].name);
        files.push_back(entries[k].csv);
    }
    return json{{"manifest-version", "1.0"},
                {"unique_id", id},
                {"date", ""},
                {"versions", {{"Syntra", "none"}, {"linkmesh", "1.0.0"}, {"Talvora", "talvora-bids"}}},
                {"study_data",
                 {{"VMR", ""},
                  {"VTC", ""},
                  {"VOI", ""},
                  {"PRT", ""},
                  {"VOIs_names", regions},
                  {"VOIs_sizes", regionSizes},
                  {"PRT_Conditions", names}}},
                {"configuration",
                 {{"method", "pearson correlation"},
                  {"selected_vois", selected},
                  {"uses_proto", true},
                  {"ordered_conditions", ordered},
                  {"selected_conditions", names},
                  {"treatment_values", "signed correlations, 0 on the diagonal"}}},
                {"result_data",
                 {{"timeseries", json::array()},
                  {"connectivity_mtx", files},
                  {"treatment_values", json::array()},
                  {"treatment_mtx", json::array()},
                  {"final_mtx", files}}},
                {"comments", comments}};
}

std::vector<std::string> nodalMeasureKeys() {
    std::vector<std::string> keys;
    for (const auto& d : graph::core::featureRegistry())
        if (!d.isGroup() && !d.scalar) keys.push_back(d.key);
    return keys;
}

std::vector<std::string> globalMeasureKeys() {
    std::vector<std::string> keys;
    for (const auto& d : graph::core::featureRegistry())
        if (!d.isGroup() && d.scalar) keys.push_back(d.key);
    return keys;
}

std::string measuresTable(const std::vector<MeasuredMatrix>& matrices,
                          const std::vector<std::string>& regions, bool withParticipant) {
    const auto nodal = nodalMeasureKeys();
    const auto global = globalMeasureKeys();
    std::vector<Eigen::MatrixXf> weights;
    for (const auto& m : matrices) weights.push_back(m.weights);
    // Every measure is computed before any text is made, as the plug-in does.
    std::vector<std::vector<std::vector<float>>> nodalValues, globalValues;
    for (const auto& key : nodal) nodalValues.push_back(graph::core::computeFeatureValues(key, weights));
    for (const auto& key : global) globalValues.push_back(graph::core::computeFeatureValues(key, weights));

    std::ostringstream text;
    text << (withParticipant ? "participant_id\t" : "") << "condition\tregion";
    for (const auto& key : nodal) text << "\t" << key;
    for (const auto& key : global) text << "\t" << key;
    text << "\n";
    for (std::size_t k = 0; k < matrices.size(); ++k) {
        const std::string lead =
            (withParticipant ? matrices[k].participant + "\t" : std::string()) + matrices[k].condition + "\t";
        for (std::size_t node = 0; node < regions.size(); ++node) {
            text << lead << regions[node];
            for (const auto& values : nodalValues) text << "\t" << number(values[k][node], 9);
            for (std::size_t g = 0; g < global.size(); ++g) text << "\tn/a";
            text << "\n";
        }
        text << lead << "n/a";
        for (std::size_t n = 0; n < nodal.size(); ++n) text << "\tn/a";
        for (const auto& values : globalValues) text << "\t" << number(values[k][0], 9);
        text << "\n";
    }
    return text.str();
}

}  // namespace bids::analyses::connectivity
