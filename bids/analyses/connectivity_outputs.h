#pragma once
// What the connectivity analysis writes, as text: a correlation matrix as a
// table with the region names, the same matrix as the CSV the graph
// plug-in reads, the study manifest that plug-in opens, and the graph
// measures of the matrices as a table. Nothing here touches a file.

#include <Eigen/Core>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace bids::analyses::connectivity {

// The matrix as tab-separated text: a header of the region names, then one
// row per region.
std::string matrixTable(const std::vector<std::string>& regions, const Eigen::MatrixXd& matrix);

// The graph plug-in's weights: the correlations as single precision with 0
// on the diagonal (a region is no neighbour of itself).
Eigen::MatrixXf graphWeights(const Eigen::MatrixXd& correlations);
// Weights as comma-separated text that reads back to the same floats.
std::string weightsCsv(const Eigen::MatrixXf& weights);

// One matrix of a study manifest: its name (a condition, or a participant
// and a condition) and its CSV file relative to the manifest's folder.
struct ManifestEntry {
    std::string name;
    std::string csv;
};

// A study manifest the graph plug-in opens: the regions as its nodes (all
// selected, in order), one matrix per entry named as a condition.
nlohmann::json studyManifest(const std::string& id, const std::vector<std::string>& regions,
                             const std::vector<int>& regionSizes, const std::vector<ManifestEntry>& entries,
                             const std::string& comments);

// One weight matrix whose measures go into the table.
struct MeasuredMatrix {
    std::string participant;  // empty in a participant's own table
    std::string condition;
    Eigen::MatrixXf weights;
};

// The graph measures the graph plug-in computes (positive weights only,
// negatives set to 0): per matrix one row per region with the per-region
// measures and the global measures as "n/a", then one row with region
// "n/a" holding the global measures. A "participant" column comes first
// when `withParticipant`.
std::string measuresTable(const std::vector<MeasuredMatrix>& matrices,
                          const std::vector<std::string>& regions, bool withParticipant);

// The measure columns of that table, in order.
std::vector<std::string> nodalMeasureKeys();
std::vector<std::string> globalMeasureKeys();

}  // namespace bids::analyses::connectivity
