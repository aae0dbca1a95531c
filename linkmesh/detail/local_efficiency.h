// Internal entry points of the local efficiency, exposed so that tests can run
// each method on every node and compare them.
#pragma once

#include "linkmesh/detail/graph_data.h"

#include <Eigen/Dense>

#include <vector>

namespace linkmesh::detail {

// Both methods add, for every node i in `nodes`, the numerator
//   sum over neighbours j != h of i of cbrt(w_ij * w_ih / d_jh)
// into numerator[i], where d_jh is the shortest length inside the subgraph of
// i's neighbours (unreachable pairs add nothing).

// Floyd-Warshall on each node's neighbour subgraph: O(k^3) per node.
void local_numerators_by_subgraph(const WeightRows& w, const LengthGraph& g,
                                  const std::vector<int>& nodes, std::vector<double>& numerator);

// Reuses one shortest-path tree of the whole graph per source and recomputes
// only the pairs whose tree path leaves the neighbourhood: fast when a node is
// connected to nearly every other node, where the subgraph method costs n^3.
void local_numerators_by_shared_trees(const WeightRows& w, const LengthGraph& g,
                                      const std::vector<int>& nodes, std::vector<double>& numerator);

enum class LocalMethod { automatic, subgraph, shared_trees };
Eigen::ArrayXf local_efficiency_using(const Eigen::MatrixXf& W, LocalMethod method);

}  // namespace linkmesh::detail
