#include "linkmesh/detail/shortest_paths.h"

#include <functional>
#include <limits>
#include <queue>
#include <utility>

namespace linkmesh::detail {
namespace {

void reset(const LengthGraph& g, int source, ShortestPathTree& tree) {
    const size_t n = static_cast<size_t>(g.n);
    tree.dist.assign(n, std::numeric_limits<double>::infinity());
    tree.parent.assign(n, -1);
    tree.order.clear();
    tree.order.reserve(n);
    tree.dist[static_cast<size_t>(source)] = 0.0;
}

}  // namespace

void dijkstra_dense(const LengthGraph& g, int source, ShortestPathTree& tree) {
    reset(g, source, tree);
    double* dist = tree.dist.data();
    int* parent = tree.parent.data();
    // Unsettled nodes kept compact so both scans shrink as nodes settle.
    std::vector<int> open(static_cast<size_t>(g.n));
    for (int v = 0; v < g.n; ++v) open[static_cast<size_t>(v)] = v;
    size_t open_count = open.size();
    while (open_count > 0) {
        size_t best = 0;
        double best_dist = dist[open[0]];
        for (size_t k = 1; k < open_count; ++k) {
            if (dist[open[k]] < best_dist) {
                best_dist = dist[open[k]];
                best = k;
            }
        }
        if (best_dist == std::numeric_limits<double>::infinity()) break;  // rest unreachable
        const int u = open[best];
        open[best] = open[--open_count];
        tree.order.push_back(u);
        const double* len = g.row(u);
        for (size_t k = 0; k < open_count; ++k) {
            const int v = open[k];
            const double candidate = best_dist + len[v];
            if (candidate < dist[v]) {
                dist[v] = candidate;
                parent[v] = u;
            }
        }
    }
}

void dijkstra_heap(const LengthGraph& g, int source, ShortestPathTree& tree) {
    reset(g, source, tree);
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap;
    std::vector<char> settled(static_cast<size_t>(g.n), 0);
    heap.emplace(0.0, source);
    while (!heap.empty()) {
        const auto [d, u] = heap.top();
        heap.pop();
        if (settled[static_cast<size_t>(u)]) continue;  // stale entry
        settled[static_cast<size_t>(u)] = 1;
        tree.order.push_back(u);
        for (int a = g.arc_begin[static_cast<size_t>(u)]; a < g.arc_begin[static_cast<size_t>(u) + 1]; ++a) {
            const int v = g.arc_target[static_cast<size_t>(a)];
            const double candidate = d + g.arc_length[static_cast<size_t>(a)];
            if (candidate < tree.dist[static_cast<size_t>(v)]) {
                tree.dist[static_cast<size_t>(v)] = candidate;
                tree.parent[static_cast<size_t>(v)] = u;
                heap.emplace(candidate, v);
            }
        }
    }
}

bool prefers_dense_dijkstra(const LengthGraph& g) {
    // The heap pays roughly a log factor per arc; the scan pays n per settled node.
    const double n = g.n;
    return g.arc_count() > n * n / 16.0;
}

void dijkstra(const LengthGraph& g, int source, ShortestPathTree& tree) {
    if (prefers_dense_dijkstra(g))
        dijkstra_dense(g, source, tree);
    else
        dijkstra_heap(g, source, tree);
}

}  // namespace linkmesh::detail
