// Local efficiency, corrected form of Wang et al. (2016):
//   E_i = sum_{j != h in N_i} cbrt(w_ij w_ih / d_jh(N_i)) / (k_i (k_i - 1)).
#include "linkmesh/detail/local_efficiency.h"

#include "linkmesh/linkmesh.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace linkmesh::detail {
namespace {

std::vector<int> neighbours_of(const WeightRows& w, int i) {
    std::vector<int> out;
    for (int j = 0; j < w.n; ++j)
        if (w.at(i, j) > 0.0) out.push_back(j);
    return out;
}

// In-place all-pairs shortest lengths of a k x k row-major matrix.
void floyd_warshall(std::vector<double>& d, int k) {
    const double inf = std::numeric_limits<double>::infinity();
    for (int m = 0; m < k; ++m) {
        const double* __restrict via = d.data() + static_cast<size_t>(m) * k;
        for (int a = 0; a < k; ++a) {
            if (a == m) continue;
            double* __restrict row = d.data() + static_cast<size_t>(a) * k;
            const double to_via = row[m];
            if (to_via == inf) continue;
            for (int b = 0; b < k; ++b) row[b] = std::min(row[b], to_via + via[b]);
        }
    }
}

}  // namespace

void local_numerators_by_subgraph(const WeightRows& w, const LengthGraph& g,
                                  const std::vector<int>& nodes, std::vector<double>& numerator) {
    std::vector<double> d;
    for (int i : nodes) {
        const std::vector<int> nb = neighbours_of(w, i);
        const int k = static_cast<int>(nb.size());
        if (k < 2) continue;
        d.resize(static_cast<size_t>(k) * k);
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b)
                d[static_cast<size_t>(a) * k + b] = (a == b) ? 0.0 : g.row(nb[a])[nb[b]];
        floyd_warshall(d, k);
        double sum = 0.0;
        for (int a = 0; a < k; ++a) {
            const double wa = w.at(i, nb[a]);
            for (int b = 0; b < k; ++b) {
                const double len = d[static_cast<size_t>(a) * k + b];
                if (a != b && std::isfinite(len)) sum += std::cbrt(wa * w.at(i, nb[b]) / len);
            }
        }
        numerator[static_cast<size_t>(i)] += sum;
    }
}

Eigen::ArrayXf local_efficiency_using(const Eigen::MatrixXf& W, LocalMethod method) {
    check_matrix(W, "linkmesh::local_efficiency");
    const WeightRows w = weight_rows(W);
    const LengthGraph g = length_graph(w);
    const int n = w.n;
    std::vector<int> degree(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) degree[static_cast<size_t>(i)] = g.arc_begin[i + 1] - g.arc_begin[i];

    std::vector<int> by_subgraph, by_trees;
    for (int i = 0; i < n; ++i) {
        const int k = degree[static_cast<size_t>(i)];
        if (k < 2) continue;
        bool trees = method == LocalMethod::shared_trees;
        if (method == LocalMethod::automatic) {
            // Measured crossover: shared trees win once a node reaches about
            // three quarters of the graph (few tree paths leave its neighbourhood);
            // below that the k^3 subgraph method is cheaper.
            const int missing = n - 1 - k;
            trees = k >= 32 && 4 * missing <= n - 1;
        }
        (trees ? by_trees : by_subgraph).push_back(i);
    }
    std::vector<double> numerator(static_cast<size_t>(n), 0.0);
    local_numerators_by_subgraph(w, g, by_subgraph, numerator);
    local_numerators_by_shared_trees(w, g, by_trees, numerator);

    Eigen::ArrayXf out = Eigen::ArrayXf::Zero(n);
    for (int i = 0; i < n; ++i) {
        const double k = degree[static_cast<size_t>(i)];
        if (k >= 2) out(i) = static_cast<float>(numerator[static_cast<size_t>(i)] / (k * (k - 1.0)));
    }
    return out;
}

}  // namespace linkmesh::detail

namespace linkmesh {

Eigen::ArrayXf local_efficiency(const Eigen::MatrixXf& W) {
    return detail::local_efficiency_using(W, detail::LocalMethod::automatic);
}

}  // namespace linkmesh
