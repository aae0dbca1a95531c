// Local efficiency numerators for nodes whose neighbourhood is nearly the
// whole graph. For a source j, the shortest-path tree of the whole graph gives
// the correct distance inside i's neighbourhood N_i for every node whose tree
// path stays in N_i ("unaffected"); only nodes below a non-neighbour of i in
// the tree ("affected") need a small Dijkstra seeded from the unaffected ones.
// The bulk sum over all (j, h) is one matrix product of neighbour factors and
// inverse whole-graph distances.
#include "linkmesh/detail/local_efficiency.h"
#include "linkmesh/detail/shortest_paths.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace linkmesh::detail {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Preorder numbering of a shortest-path tree: the subtree of v is
// seq[first[v] .. first[v] + size[v]). first = -1 for unreached nodes.
struct Preorder {
    std::vector<int> first, size, seq, cursor;

    void build(const ShortestPathTree& tree) {
        const size_t n = tree.parent.size();
        first.assign(n, -1);
        size.assign(n, 0);
        seq.assign(tree.order.size(), -1);
        cursor.assign(n, 0);
        // `order` lists parents before children: sizes bottom-up, slots top-down.
        for (auto it = tree.order.rbegin(); it != tree.order.rend(); ++it) {
            size[static_cast<size_t>(*it)] += 1;
            const int p = tree.parent[static_cast<size_t>(*it)];
            if (p >= 0) size[static_cast<size_t>(p)] += size[static_cast<size_t>(*it)];
        }
        for (int v : tree.order) {
            const int p = tree.parent[static_cast<size_t>(v)];
            const int slot = (p < 0) ? 0 : cursor[static_cast<size_t>(p)];
            if (p >= 0) cursor[static_cast<size_t>(p)] += size[static_cast<size_t>(v)];
            first[static_cast<size_t>(v)] = slot;
            cursor[static_cast<size_t>(v)] = slot + 1;
            seq[static_cast<size_t>(slot)] = v;
        }
    }
};

bool is_symmetric(const LengthGraph& g) {
    for (int i = 0; i < g.n; ++i)
        for (int j = 0; j < i; ++j)
            if (g.row(i)[j] != g.row(j)[i]) return false;
    return true;
}

// Per chosen node: its neighbours, its non-neighbours (itself included), and
// a 0/1 flag per node of the graph.
struct Neighbourhood {
    int node = 0;
    std::vector<int> inside, outside;
    std::vector<char> is_inside;
};

class AffectedPairs {
public:
    // into[a * n + u] = length of the connection u -> a.
    AffectedPairs(const LengthGraph& g, const double* into)
        : g_(g),
          into_(into),
          stamp_(static_cast<size_t>(g.n), 0),
          masked_(static_cast<size_t>(g.n), kInf),
          detour_(static_cast<size_t>(g.n), 0) {}

    // sum over affected h in N_i of s_ih * (1 / d_N(j, h) - 1 / d_G(j, h)),
    // where factor[h * factor_stride] = s_ih (0 outside N_i) and inv_g holds 1 / d_G(j, .).
    double correction(const Neighbourhood& nb, const ShortestPathTree& tree, const Preorder& pre,
                      const double* factor, Eigen::Index factor_stride, const double* inv_g,
                      Eigen::Index inv_stride) {
        factor_ = factor;
        factor_stride_ = factor_stride;
        // Few non-neighbours (a nearly complete graph): walk their subtrees
        // only; otherwise one pass over the whole tree is cheaper than sorting.
        if (nb.outside.size() * 16 <= tree.order.size())
            collect_affected_in_subtrees(nb, pre);
        else
            collect_affected(nb, tree);
        if (affected_.empty()) return 0.0;
        seed_from_unaffected(nb, tree);
        settle_affected();
        double sum = 0.0;
        for (size_t a = 0; a < affected_.size(); ++a) {
            const int h = affected_[a];
            const double inside = std::isfinite(reach_[a]) ? 1.0 / reach_[a] : 0.0;
            sum += factor_[h * factor_stride_] * (inside - inv_g[h * inv_stride]);
        }
        return sum;
    }

private:
    // The subtrees of the non-neighbours, read from the preorder numbering.
    void collect_affected_in_subtrees(const Neighbourhood& nb, const Preorder& pre) {
        affected_.clear();
        ++current_;
        ranges_.clear();
        for (int x : nb.outside) {
            const int f = pre.first[static_cast<size_t>(x)];
            if (f >= 0) ranges_.emplace_back(f, f + pre.size[static_cast<size_t>(x)]);
        }
        std::sort(ranges_.begin(), ranges_.end());
        int covered = 0;  // subtrees are nested or disjoint: skip the nested ones
        for (const auto& [begin, end] : ranges_) {
            if (begin < covered) continue;
            for (int p = begin; p < end; ++p) {
                const int h = pre.seq[static_cast<size_t>(p)];
                if (nb.is_inside[static_cast<size_t>(h)]) {
                    affected_.push_back(h);
                    stamp_[static_cast<size_t>(h)] = current_;
                }
            }
            covered = end;
        }
    }

    // One pass over the tree, parents before children: a node is affected
    // when its tree path from the source passes a node outside N_i.
    void collect_affected(const Neighbourhood& nb, const ShortestPathTree& tree) {
        affected_.clear();
        ++current_;
        const char* inside = nb.is_inside.data();
        for (int v : tree.order) {
            const int p = tree.parent[static_cast<size_t>(v)];
            const char detour = p < 0 ? 0 : static_cast<char>(detour_[static_cast<size_t>(p)] | !inside[p]);
            detour_[static_cast<size_t>(v)] = detour;
            if (detour && inside[v]) {
                affected_.push_back(v);
                stamp_[static_cast<size_t>(v)] = current_;
            }
        }
    }

    // Best length reaching each affected node by one connection from an
    // unaffected neighbour, whose whole-graph distance is already final: a
    // min-plus product of the masked distances with the column of lengths
    // into the node (contiguous in `into_`), which keeps memory access linear.
    void seed_from_unaffected(const Neighbourhood& nb, const ShortestPathTree& tree) {
        for (int u : nb.inside)
            if (stamp_[static_cast<size_t>(u)] != current_)
                masked_[static_cast<size_t>(u)] = tree.dist[static_cast<size_t>(u)];
        reach_.resize(affected_.size());
        for (size_t a = 0; a < affected_.size(); ++a)
            reach_[a] = min_of_sums(masked_.data(), into_ + static_cast<size_t>(affected_[a]) * g_.n, g_.n);
        for (int u : nb.inside) masked_[static_cast<size_t>(u)] = kInf;
    }

    // Dense Dijkstra restricted to the affected nodes.
    void settle_affected() {
        open_.resize(affected_.size());
        for (size_t a = 0; a < open_.size(); ++a) open_[a] = a;
        size_t open_count = open_.size();
        while (open_count > 0) {
            size_t best = 0;
            for (size_t k = 1; k < open_count; ++k)
                if (reach_[open_[k]] < reach_[open_[best]]) best = k;
            const size_t u = open_[best];
            if (reach_[u] == kInf) break;
            open_[best] = open_[--open_count];
            const double* len = g_.row(affected_[u]);
            for (size_t k = 0; k < open_count; ++k) {
                const size_t v = open_[k];
                reach_[v] = std::min(reach_[v], reach_[u] + len[affected_[v]]);
            }
        }
    }

    const LengthGraph& g_;
    const double* factor_ = nullptr;
    Eigen::Index factor_stride_ = 1;
    const double* into_;
    std::vector<int> stamp_;
    std::vector<double> masked_;  // +infinity except unaffected neighbours during a seed
    int current_ = 0;
    std::vector<char> detour_;
    std::vector<std::pair<int, int>> ranges_;
    std::vector<int> affected_;
    std::vector<double> reach_;
    std::vector<size_t> open_;
};

}  // namespace

void local_numerators_by_shared_trees(const LocalInputs& in, const std::vector<int>& nodes,
                                      std::vector<double>& numerator) {
    const LengthGraph& g = in.g;
    const int n = g.n;
    const Eigen::Index m = static_cast<Eigen::Index>(nodes.size());
    if (m == 0) return;

    std::vector<Neighbourhood> hoods(nodes.size());
    Eigen::MatrixXd factor(m, n);  // s_ih for the chosen nodes i, 0 for non-neighbours
    for (Eigen::Index r = 0; r < m; ++r) {
        Neighbourhood& nb = hoods[static_cast<size_t>(r)];
        nb.node = nodes[static_cast<size_t>(r)];
        for (int h = 0; h < n; ++h) {
            factor(r, h) = in.factor(nb.node, h);
            nb.is_inside.push_back(factor(r, h) > 0.0);
            (factor(r, h) > 0.0 ? nb.inside : nb.outside).push_back(h);
        }
    }

    // Sources are processed in blocks so that memory stays O(block * n).
    const int block = 128;
    Eigen::MatrixXd inv_g(block, n);  // 1 / d_G(j, h), 0 when j == h or unreachable
    Eigen::VectorXd bulk = Eigen::VectorXd::Zero(m), fix = Eigen::VectorXd::Zero(m);
    ShortestPathTree tree;
    Preorder pre;
    // Lengths into each node are the rows of the transposed length matrix,
    // which for a symmetric matrix is the matrix itself.
    std::vector<double> transposed;
    if (g.length.size() > 0 && !is_symmetric(g)) {
        transposed.resize(g.length.size());
        for (int u = 0; u < n; ++u)
            for (int a = 0; a < n; ++a) transposed[static_cast<size_t>(a) * n + u] = g.row(u)[a];
    }
    AffectedPairs affected(g, transposed.empty() ? g.length.data() : transposed.data());
    for (int j0 = 0; j0 < n; j0 += block) {
        const int b = std::min(block, n - j0);
        inv_g.setZero();
        for (int jj = 0; jj < b; ++jj) {
            const int j = j0 + jj;
            dijkstra(g, j, tree);
            for (int h : tree.order)
                if (h != j) inv_g(jj, h) = 1.0 / tree.dist[static_cast<size_t>(h)];
            pre.build(tree);
            for (Eigen::Index r = 0; r < m; ++r) {
                const Neighbourhood& nb = hoods[static_cast<size_t>(r)];
                if (factor(r, j) <= 0.0) continue;  // j must be a neighbour of i
                fix(r) +=
                    factor(r, j) * affected.correction(nb, tree, pre, &factor(r, 0), factor.outerStride(),
                                                       &inv_g(jj, 0), inv_g.outerStride());
            }
        }
        // bulk_i += sum_j s_ij * sum_h s_ih / d_G(j, h)
        const Eigen::MatrixXd pair_sums = factor * inv_g.topRows(b).transpose();
        bulk += (factor.middleCols(j0, b).array() * pair_sums.array()).rowwise().sum().matrix();
    }
    for (Eigen::Index r = 0; r < m; ++r)
        numerator[static_cast<size_t>(nodes[static_cast<size_t>(r)])] += bulk(r) + fix(r);
}

}  // namespace linkmesh::detail
