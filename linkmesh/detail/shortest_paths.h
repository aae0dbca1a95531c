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
void dijkstra_dense(const LengthGraph& g, int source, ShortestPathTree& tree);

// Binary heap over adjacency lists, O(m log n): best on sparse graphs.
void dijkstra_heap(const LengthGraph& g, int source, ShortestPathTree& tree);

// Picks the variant expected to be faster for the graph's density.
bool prefers_dense_dijkstra(const LengthGraph& g);
void dijkstra(const LengthGraph& g, int source, ShortestPathTree& tree);

}  // namespace linkmesh::detail
