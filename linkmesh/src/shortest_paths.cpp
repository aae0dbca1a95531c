#include "linkmesh/detail/shortest_paths.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LINKMESH_HAVE_SSE2 1
#else
#define LINKMESH_HAVE_SSE2 0
#endif

namespace linkmesh::detail {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

void reset(const LengthGraph& g, int source, ShortestPathTree& tree) {
    const size_t n = static_cast<size_t>(g.n);
    tree.dist.assign(n, kInf);
    tree.parent.assign(n, -1);
    tree.order.clear();
    tree.order.reserve(n);
    tree.dist[static_cast<size_t>(source)] = 0.0;
}

// The two hot loops of the dense variant, in SSE2 where the target has it
// (every x86-64 compiler does); compilers do not vectorise the three-way
// select of the relaxation on their own.
double smallest(const double* key, int n) {
    double best = kInf;
    int v = 0;
#if LINKMESH_HAVE_SSE2
    __m128d m0 = _mm_set1_pd(kInf), m1 = m0;
    for (; v + 4 <= n; v += 4) {
        m0 = _mm_min_pd(m0, _mm_loadu_pd(key + v));
        m1 = _mm_min_pd(m1, _mm_loadu_pd(key + v + 2));
    }
    double lanes[2];
    _mm_storeu_pd(lanes, _mm_min_pd(m0, m1));
    best = std::min(lanes[0], lanes[1]);
#endif
    for (; v < n; ++v) best = std::min(best, key[v]);
    return best;
}

// For every v with du + len[v] < dist[v]: dist[v] = key[v] = du + len[v] and
// via[v] = u. Settled nodes never pass the test since lengths are positive.
void relax(double du, double u, const double* len, double* dist, double* key, double* via, int n) {
    int v = 0;
#if LINKMESH_HAVE_SSE2
    const __m128d base = _mm_set1_pd(du), from = _mm_set1_pd(u);
    for (; v + 2 <= n; v += 2) {
        const __m128d candidate = _mm_add_pd(base, _mm_loadu_pd(len + v));
        const __m128d old = _mm_loadu_pd(dist + v);
        const __m128d better = _mm_cmplt_pd(candidate, old);
        const auto pick = [&](__m128d now, __m128d was) {
            return _mm_or_pd(_mm_and_pd(better, now), _mm_andnot_pd(better, was));
        };
        _mm_storeu_pd(dist + v, pick(candidate, old));
        _mm_storeu_pd(key + v, pick(candidate, _mm_loadu_pd(key + v)));
        _mm_storeu_pd(via + v, pick(from, _mm_loadu_pd(via + v)));
    }
#endif
    for (; v < n; ++v) {
        const double candidate = du + len[v];
        if (candidate < dist[v]) {
            dist[v] = key[v] = candidate;
            via[v] = u;
        }
    }
}

}  // namespace

void dijkstra_dense(const LengthGraph& g, int source, ShortestPathTree& tree) {
    reset(g, source, tree);
    const int n = g.n;
    // key = dist for unsettled nodes, +infinity once settled; via = parent as a
    // double so that it moves with the distances in the same vector lanes.
    std::vector<double> key(tree.dist), via(static_cast<size_t>(n), -1.0);
    for (int settled = 0; settled < n; ++settled) {
        const double du = smallest(key.data(), n);
        if (du == kInf) break;  // the rest is unreachable
        const int u = static_cast<int>(std::find(key.begin(), key.end(), du) - key.begin());
        key[static_cast<size_t>(u)] = kInf;
        tree.order.push_back(u);
        relax(du, u, g.row(u), tree.dist.data(), key.data(), via.data(), n);
    }
    for (int v = 0; v < n; ++v) tree.parent[static_cast<size_t>(v)] = static_cast<int>(via[static_cast<size_t>(v)]);
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
    // Measured crossover: the heap wins below about a third of all pairs
    // connected (less for small graphs, more for large ones).
    const double n = g.n;
    return g.arc_count() > 0.35 * n * n;
}

void dijkstra(const LengthGraph& g, int source, ShortestPathTree& tree) {
    if (prefers_dense_dijkstra(g))
        dijkstra_dense(g, source, tree);
    else
        dijkstra_heap(g, source, tree);
}

}  // namespace linkmesh::detail
