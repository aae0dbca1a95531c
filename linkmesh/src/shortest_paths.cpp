#include "linkmesh/detail/shortest_paths.h"

#include <algorithm>
#include <limits>

// LINKMESH_NO_SIMD builds the portable loops only (the tests use it to check them).
#if !defined(LINKMESH_NO_SIMD) && \
    (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
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

// The hot loop of the dense variant: relaxes every node from the node just
// settled and, in the same pass, finds the next node to settle. Written in
// SSE2 where the target has it (every x86-64 compiler does): compilers do not
// vectorise the selects on their own.
//
// dist[v] = min(dist[v], du + len[v]); when kParents, via[v] = u where that
// lowered dist[v]. Settled nodes never change since lengths are positive.
// `barrier` is 0 for unsettled nodes and +infinity for settled ones. Returns
// the unsettled node of smallest dist afterwards (lowest index among equals),
// or -1 when none is reachable.
template <bool kParents>
int relax_and_pick(double du, double u, const double* len, double* dist, const double* barrier, double* via,
                   int n) {
    double best = kInf;
    int best_at = -1;
    int v = 0;
#if LINKMESH_HAVE_SSE2
    const auto pick = [](__m128d mask, __m128d yes, __m128d no) {
        return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
    };
    const __m128d base = _mm_set1_pd(du), from = _mm_set1_pd(u), step = _mm_set1_pd(2.0);
    __m128d low = _mm_set1_pd(kInf), low_at = _mm_set1_pd(-1.0), index = _mm_set_pd(1.0, 0.0);
    for (; v + 2 <= n; v += 2) {
        const __m128d candidate = _mm_add_pd(base, _mm_loadu_pd(len + v));
        const __m128d old = _mm_loadu_pd(dist + v);
        const __m128d now = _mm_min_pd(candidate, old);
        _mm_storeu_pd(dist + v, now);
        if (kParents) _mm_storeu_pd(via + v, pick(_mm_cmplt_pd(candidate, old), from, _mm_loadu_pd(via + v)));
        const __m128d key = _mm_add_pd(now, _mm_loadu_pd(barrier + v));
        const __m128d lower = _mm_cmplt_pd(key, low);
        low = _mm_min_pd(key, low);
        low_at = pick(lower, index, low_at);
        index = _mm_add_pd(index, step);
    }
    double lanes[2], lane_at[2];
    _mm_storeu_pd(lanes, low);
    _mm_storeu_pd(lane_at, low_at);
    for (int l = 0; l < 2; ++l) {
        const int at = static_cast<int>(lane_at[l]);
        if (lanes[l] < best || (lanes[l] == best && at >= 0 && at < best_at)) {
            best = lanes[l];
            best_at = at;
        }
    }
#endif
    for (; v < n; ++v) {
        const double candidate = du + len[v];
        if (candidate < dist[v]) {
            dist[v] = candidate;
            if (kParents) via[v] = u;
        }
        const double key = dist[v] + barrier[v];
        if (key < best) {
            best = key;
            best_at = v;
        }
    }
    return best == kInf ? -1 : best_at;
}

template <bool kParents>
void dense_search(const LengthGraph& g, int source, ShortestPathTree& tree) {
    reset(g, source, tree);
    const int n = g.n;
    // via = parent as a double so that it moves with the distances in the same vector lanes.
    std::vector<double> barrier(static_cast<size_t>(n), 0.0),
        via(kParents ? static_cast<size_t>(n) : 0, -1.0);
    for (int u = source; u >= 0;) {
        barrier[static_cast<size_t>(u)] = kInf;
        tree.order.push_back(u);
        u = relax_and_pick<kParents>(tree.dist[static_cast<size_t>(u)], u, g.row(u), tree.dist.data(),
                                     barrier.data(), via.data(), n);
    }
    if (kParents)
        for (int v = 0; v < n; ++v)
            tree.parent[static_cast<size_t>(v)] = static_cast<int>(via[static_cast<size_t>(v)]);
}

}  // namespace

void dijkstra_dense(const LengthGraph& g, int source, ShortestPathTree& tree, bool parents) {
    if (parents)
        dense_search<true>(g, source, tree);
    else
        dense_search<false>(g, source, tree);
}

void dijkstra_heap(const LengthGraph& g, int source, ShortestPathTree& tree) {
    reset(g, source, tree);
    // Indexed 4-ary heap with decrease-key: every node is in the heap at most
    // once, and a shallow, wide heap keeps a sift within one or two cache lines.
    // slot[v]: position of v in the heap, -1 before it is reached, -2 once settled.
    const size_t n = static_cast<size_t>(g.n);
    std::vector<int> slot(n, -1), heap;
    std::vector<double> key;
    heap.reserve(n);
    key.reserve(n);
    const auto place = [&](size_t at, int v, double k) {
        heap[at] = v;
        key[at] = k;
        slot[static_cast<size_t>(v)] = static_cast<int>(at);
    };
    const auto sift_up = [&](size_t at, int v, double k) {
        while (at > 0) {
            const size_t up = (at - 1) / 4;
            if (!(k < key[up])) break;
            place(at, heap[up], key[up]);
            at = up;
        }
        place(at, v, k);
    };
    heap.push_back(source);
    key.push_back(0.0);
    slot[static_cast<size_t>(source)] = 0;
    while (!heap.empty()) {
        const int u = heap[0];
        const double d = key[0];
        slot[static_cast<size_t>(u)] = -2;
        const int last = heap.back();
        const double last_key = key.back();
        heap.pop_back();
        key.pop_back();
        if (!heap.empty()) {  // sift the last entry down from the root
            size_t at = 0;
            const size_t size = heap.size();
            while (true) {
                const size_t first = 4 * at + 1;
                if (first >= size) break;
                size_t best = first;
                const size_t end = std::min(first + 4, size);
                for (size_t c = first + 1; c < end; ++c)
                    if (key[c] < key[best]) best = c;
                if (!(key[best] < last_key)) break;
                place(at, heap[best], key[best]);
                at = best;
            }
            place(at, last, last_key);
        }
        tree.order.push_back(u);
        // Plain pointers: the compiler cannot otherwise tell that the stores
        // to dist leave the graph's arrays alone, and reloads them per arc.
        const int* __restrict target = g.arc_target.data();
        const double* __restrict length = g.arc_length.data();
        double* __restrict dist = tree.dist.data();
        const int end = g.arc_begin[static_cast<size_t>(u) + 1];
        for (int a = g.arc_begin[static_cast<size_t>(u)]; a < end; ++a) {
            const int v = target[a];
            const double candidate = d + length[a];
            if (candidate < dist[v]) {
                dist[v] = candidate;
                tree.parent[static_cast<size_t>(v)] = u;
                const int at = slot[static_cast<size_t>(v)];
                if (at < 0) {  // settled nodes never improve: at == -1 here
                    heap.push_back(v);
                    key.push_back(candidate);
                    sift_up(heap.size() - 1, v, candidate);
                } else {
                    sift_up(static_cast<size_t>(at), v, candidate);
                }
            }
        }
    }
}

double min_of_sums(const double* a, const double* b, int n) {
    double best = kInf;
    int v = 0;
#if LINKMESH_HAVE_SSE2
    __m128d m0 = _mm_set1_pd(kInf), m1 = m0;
    for (; v + 4 <= n; v += 4) {
        m0 = _mm_min_pd(m0, _mm_add_pd(_mm_loadu_pd(a + v), _mm_loadu_pd(b + v)));
        m1 = _mm_min_pd(m1, _mm_add_pd(_mm_loadu_pd(a + v + 2), _mm_loadu_pd(b + v + 2)));
    }
    double lanes[2];
    _mm_storeu_pd(lanes, _mm_min_pd(m0, m1));
    best = std::min(lanes[0], lanes[1]);
#endif
    for (; v < n; ++v) best = std::min(best, a[v] + b[v]);
    return best;
}

bool prefers_dense_dijkstra(const LengthGraph& g) {
    // Measured crossover share of connected pairs: the scan always wins up to
    // about 150 nodes, the heap below ~10% at 200 nodes and below about a
    // third from 300 nodes up.
    const double n = g.n;
    const double share = std::clamp((n - 150.0) / 450.0, 0.0, 0.35);
    return g.arc_count() >= share * n * n;
}

void dijkstra(const LengthGraph& g, int source, ShortestPathTree& tree, bool parents) {
    if (prefers_dense_dijkstra(g))
        dijkstra_dense(g, source, tree, parents);
    else
        dijkstra_heap(g, source, tree);
}

}  // namespace linkmesh::detail
