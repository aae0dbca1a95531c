// The portable (non-SSE2) loops of the dense Dijkstra, built on their own
// with LINKMESH_NO_SIMD, against Floyd-Warshall: they are what ships on
// targets without SSE2.
#include "random_matrices.h"
#include "reference_measures.h"

#include "linkmesh/detail/graph_data.h"
#include "linkmesh/detail/shortest_paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(PortablePaths, DenseDijkstraMatchesFloydWarshall) {
    using namespace linkmesh::detail;
    std::mt19937 rng(99);
    for (int nodes : {1, 2, 7, 30})
        for (double density : {0.1, 0.5, 1.0})
            for (bool symmetric : {true, false}) {
                testdata::RandomMatrixSpec spec;
                spec.nodes = nodes;
                spec.density = density;
                spec.symmetric = symmetric;
                const Eigen::MatrixXf W = testdata::random_matrix(spec, rng);
                SCOPED_TRACE(testdata::describe(spec));
                const Eigen::MatrixXd d = reference::floyd_warshall(W.cast<double>());
                const LengthGraph g = length_graph(weight_rows(W));
                ShortestPathTree tree;
                for (int s = 0; s < nodes; ++s) {
                    dijkstra_dense(g, s, tree);
                    for (int v = 0; v < nodes; ++v) {
                        if (std::isinf(d(s, v))) {
                            EXPECT_TRUE(std::isinf(tree.dist[v]));
                            EXPECT_EQ(tree.parent[v], -1);
                        } else {
                            EXPECT_NEAR(tree.dist[v], d(s, v), 1e-12 * d(s, v));
                            if (v != s) {  // the parent lies on a shortest path
                                const int p = tree.parent[v];
                                EXPECT_NEAR(tree.dist[p] + g.row(p)[v], tree.dist[v], 1e-12 * d(s, v));
                            }
                        }
                    }
                }
            }
}

TEST(PortablePaths, MinOfSums) {
    const double inf = std::numeric_limits<double>::infinity();
    const double a[] = {3, 1, inf, 2, 5};
    const double b[] = {1, 4, 0, 1, -4.5};
    EXPECT_EQ(linkmesh::detail::min_of_sums(a, b, 0), inf);
    EXPECT_EQ(linkmesh::detail::min_of_sums(a, b, 4), 3.0);
    EXPECT_EQ(linkmesh::detail::min_of_sums(a, b, 5), 0.5);
}

}  // namespace
