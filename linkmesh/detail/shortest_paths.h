// Single-source shortest paths (Dijkstra) on a LengthGraph.
#pragma once

#include "linkmesh/detail/graph_data.h"

#include <vector>

namespace linkmesh::detail {

// Result of one Dijkstra run. Unreached nodes keep dist = +infinity and
// parent = -1; `order` lists the reached nodes in the order they were settled
// (source first), so every node appears after its parent.
struct ShortestPathTree {
    std::vector<double> dist;
    std::vector<int> parent;
    std::vector<int> order;
};

// O(n^2) array scan: best when most pairs of nodes are connected.
// Without `parents`, tree.parent is left all -1 (saves a third of the work).
void dijkstra_dense(const LengthGraph& g, int source, ShortestPathTree& tree, bool parents = true);

// Binary heap over adjacency lists, O(m log n): best on sparse graphs.
void dijkstra_heap(const LengthGraph& g, int source, ShortestPathTree& tree);

// min over v < n of a[v] + b[v] (+infinity when n == 0): the min-plus step
// shared by the path searches.
double min_of_sums(const double* a, const double* b, int n);

// Picks the variant expected to be faster for the graph's density.
bool prefers_dense_dijkstra(const LengthGraph& g);
void dijkstra(const LengthGraph& g, int source, ShortestPathTree& tree, bool parents = true);

}  // namespace linkmesh::detail
