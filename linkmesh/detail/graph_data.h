// Internal plain-data views of a checked weight matrix, shared by the measures.
#pragma once

#include <Eigen/Dense>

#include <vector>

namespace linkmesh::detail {

// Throws linkmesh::Error, prefixed with `function`, unless W is square and
// every entry is finite and non-negative.
void check_matrix(const Eigen::MatrixXf& W, const char* function);

// A result computed in double, rounded to single precision. Throws Error,
// prefixed with `function` and naming the node (1-based; none when node < 0),
// when it does not fit, rather than returning infinity: weights near the
// single-precision maximum can sum past it.
float fit_float(double value, const char* function, Eigen::Index node = -1);

// Weights as double, row-major, with a zero diagonal (self-loops ignored).
struct WeightRows {
    int n = 0;
    std::vector<double> w;  // w[i * n + j]
    double at(int i, int j) const { return w[static_cast<size_t>(i) * n + j]; }
};
WeightRows weight_rows(const Eigen::MatrixXf& W);

// Connection lengths (1 / weight) in both a dense and an adjacency-list form;
// the dense rows hold +infinity where there is no connection and on the diagonal.
struct LengthGraph {
    int n = 0;
    std::vector<double> length;  // length[i * n + j]
    std::vector<int> arc_begin;  // arcs of node i: [arc_begin[i], arc_begin[i+1])
    std::vector<int> arc_target;
    std::vector<double> arc_length;
    const double* row(int i) const { return length.data() + static_cast<size_t>(i) * n; }
    int arc_count() const { return static_cast<int>(arc_target.size()); }
};
LengthGraph length_graph(const WeightRows& weights);

}  // namespace linkmesh::detail
