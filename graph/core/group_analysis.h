#pragma once
// Group comparison of subjects: the spectral distance between every pair of
// the given matrices. Pure C++ (no Qt); the spectra come from linkmesh.

#include <Eigen/Dense>

#include <ostream>
#include <string>
#include <vector>

namespace graph::core {

struct NamedMatrix {
    std::string name;
    Eigen::MatrixXf matrix;
};

// Symmetric table of linkmesh::spectral_distance between every two entries.
Eigen::MatrixXf spectralDistanceTable(const std::vector<NamedMatrix>& entries);

// The table as text for the results pane: a title line, then one line per
// entry, columns padded, values with 6 significant digits.
void writeDistanceText(std::ostream& out, const std::vector<NamedMatrix>& entries,
                       const Eigen::MatrixXf& table);

}  // namespace graph::core
