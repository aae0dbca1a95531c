// Global and nodal global efficiency from one Dijkstra run per source.
#include "linkmesh/linkmesh.h"

#include "linkmesh/detail/graph_data.h"
#include "linkmesh/detail/shortest_paths.h"

#include <vector>

namespace linkmesh {
namespace {

// For every node i: sum over reachable j != i of 1 / d_ij (unreachable pairs add 0).
std::vector<double> inverse_distance_sums(const Eigen::MatrixXf& W) {
    const detail::LengthGraph g = detail::length_graph(detail::weight_rows(W));
    std::vector<double> sums(static_cast<size_t>(g.n), 0.0);
    detail::ShortestPathTree tree;
    for (int s = 0; s < g.n; ++s) {
        detail::dijkstra(g, s, tree, /*parents=*/false);
        double sum = 0.0;
        for (int v : tree.order)
            if (v != s) sum += 1.0 / tree.dist[static_cast<size_t>(v)];
        sums[static_cast<size_t>(s)] = sum;
    }
    return sums;
}

}  // namespace

float global_efficiency(const Eigen::MatrixXf& W) {
    detail::check_matrix(W, "linkmesh::global_efficiency");
    const double n = static_cast<double>(W.rows());
    if (n < 2) return 0.0f;  // no pair of distinct nodes
    double total = 0.0;
    for (double s : inverse_distance_sums(W)) total += s;
    return detail::fit_float(total / (n * (n - 1.0)), "linkmesh::global_efficiency");
}

Eigen::ArrayXf nodal_global_efficiency(const Eigen::MatrixXf& W) {
    detail::check_matrix(W, "linkmesh::nodal_global_efficiency");
    const Eigen::Index n = W.rows();
    Eigen::ArrayXf out = Eigen::ArrayXf::Zero(n);
    if (n < 2) return out;
    const std::vector<double> sums = inverse_distance_sums(W);
    for (Eigen::Index i = 0; i < n; ++i)
        out(i) = detail::fit_float(sums[static_cast<size_t>(i)] / static_cast<double>(n - 1),
                                   "linkmesh::nodal_global_efficiency", i);
    return out;
}

}  // namespace linkmesh
