// Internal entry points of the local efficiency, exposed so that tests can run
// each method on every node and compare them.
#pragma once

#include "linkmesh/detail/graph_data.h"

#include <Eigen/Dense>

#include <vector>

namespace linkmesh::detail {

// What both methods need: c = cube roots of the weights (zero diagonal) and
// the graph whose connection lengths are 1 / c, i.e. (1 / w)^(1/3).
// Node i's neighbours are the nodes connected to it in either direction; the
// factor of neighbour j is s_ij = (c_ij + c_ji) / 2, which is c_ij when the
// matrix is symmetric.
struct LocalInputs {
    WeightRows c;
    LengthGraph g;
    double factor(int i, int j) const { return 0.5 * (c.at(i, j) + c.at(j, i)); }
};
LocalInputs local_inputs(const Eigen::MatrixXf& W);

// Both methods add, for every node i in `nodes`, the numerator
//   sum over neighbours j != h of i of s_ij * s_ih / d_jh
// into numerator[i], where d_jh is the shortest length from j to h inside the
// subgraph of i's neighbours (unreachable pairs add nothing).

// Floyd-Warshall on each node's neighbour subgraph: O(k^3) per node.
void local_numerators_by_subgraph(const LocalInputs& in, const std::vector<int>& nodes,
                                  std::vector<double>& numerator);

// Reuses one shortest-path tree of the whole graph per source and recomputes
// only the pairs whose tree path leaves the neighbourhood: fast when a node is
// connected to nearly every other node, where the subgraph method costs n^3.
void local_numerators_by_shared_trees(const LocalInputs& in, const std::vector<int>& nodes,
                                      std::vector<double>& numerator);

enum class LocalMethod { automatic, subgraph, shared_trees };
Eigen::ArrayXf local_efficiency_using(const Eigen::MatrixXf& W, LocalMethod method);

}  // namespace linkmesh::detail
