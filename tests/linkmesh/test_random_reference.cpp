// The fast measures against slow literal references on a few hundred random
// matrices: sparse to complete, symmetric and directed, isolated nodes,
// weights above 1, and coarse weights with many equally short paths.
#include "random_matrices.h"
#include "reference_measures.h"

#include "linkmesh/detail/graph_data.h"
#include "linkmesh/detail/local_efficiency.h"
#include "linkmesh/detail/shortest_paths.h"
#include "linkmesh/linkmesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

using testdata::RandomMatrixSpec;

struct RandomCase {
    RandomMatrixSpec spec;
    Eigen::MatrixXf W;
};

std::vector<RandomCase> random_cases() {
    std::vector<RandomCase> cases;
    std::mt19937 rng(12345);
    int variant = 0;
    for (int nodes : {2, 3, 5, 9, 17, 33, 48})
        for (double density : {0.08, 0.3, 0.7, 0.95, 1.0})
            for (bool symmetric : {true, false})
                for (int repeat = 0; repeat < 3; ++repeat) {
                    RandomMatrixSpec spec;
                    spec.nodes = nodes;
                    spec.density = density;
                    spec.symmetric = symmetric;
                    spec.isolated = (nodes > 4 && repeat == 1) ? 2 : 0;
                    spec.coarse_weights = (repeat == 2);
                    spec.max_weight = (variant++ % 7 == 3) ? 3.5 : 1.0;
                    cases.push_back({spec, testdata::random_matrix(spec, rng)});
                }
    return cases;  // 210 matrices
}

const std::vector<RandomCase>& cases() {
    static const std::vector<RandomCase> all = random_cases();
    return all;
}

void expect_close(double actual, double expected, double rel = 1e-5) {
    EXPECT_NEAR(actual, expected, rel * std::abs(expected) + 1e-7);
}

template <class Actual>
void expect_all_close(const Actual& actual, const Eigen::VectorXd& expected, const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (Eigen::Index i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(std::string(what) + ", node " + std::to_string(i));
        expect_close(actual(i), expected(i));
    }
}

TEST(RandomReference, DijkstraVariantsMatchFloydWarshallDistances) {
    using namespace linkmesh::detail;
    for (const RandomCase& c : cases()) {
        SCOPED_TRACE(testdata::describe(c.spec));
        const Eigen::MatrixXd d = reference::floyd_warshall(c.W.cast<double>());
        const LengthGraph g = length_graph(weight_rows(c.W));
        ShortestPathTree dense, heap;
        for (int s = 0; s < g.n; ++s) {
            dijkstra_dense(g, s, dense);
            dijkstra_heap(g, s, heap);
            for (int v = 0; v < g.n; ++v) {
                if (std::isinf(d(s, v))) {
                    EXPECT_TRUE(std::isinf(dense.dist[v]) && std::isinf(heap.dist[v]));
                } else {
                    EXPECT_NEAR(dense.dist[v], d(s, v), 1e-12 * d(s, v));
                    EXPECT_NEAR(heap.dist[v], d(s, v), 1e-12 * d(s, v));
                }
            }
            // Both list each reached node once, after its tree parent, and the
            // parent lies on a shortest path (the shared-tree local efficiency
            // relies on both).
            for (const ShortestPathTree* t : {&dense, &heap}) {
                std::vector<int> seen(static_cast<size_t>(g.n), 0);
                for (int v : t->order) {
                    const int p = t->parent[v];
                    EXPECT_TRUE(v == s ? p == -1 : (p >= 0 && seen[p]));
                    if (v != s && p >= 0) {
                        EXPECT_NEAR(t->dist[p] + g.row(p)[v], d(s, v), 1e-12 * d(s, v));
                    }
                    seen[v] += 1;
                }
                for (int v = 0; v < g.n; ++v) EXPECT_EQ(seen[v], std::isinf(d(s, v)) ? 0 : 1);
            }
        }
    }
}

TEST(RandomReference, GlobalAndNodalEfficiencyMatchFloydWarshall) {
    for (const RandomCase& c : cases()) {
        SCOPED_TRACE(testdata::describe(c.spec));
        const Eigen::MatrixXd Wd = c.W.cast<double>();
        expect_close(linkmesh::global_efficiency(c.W), reference::global_efficiency(Wd));
        expect_all_close(linkmesh::nodal_global_efficiency(c.W), reference::nodal_global_efficiency(Wd),
                         "nodal global efficiency");
    }
}

TEST(RandomReference, LocalEfficiencyEveryMethodMatchesLiteralFormula) {
    using linkmesh::detail::LocalMethod;
    for (const RandomCase& c : cases()) {
        SCOPED_TRACE(testdata::describe(c.spec));
        const Eigen::VectorXd expected = reference::local_efficiency(c.W.cast<double>());
        expect_all_close(linkmesh::local_efficiency(c.W), expected, "automatic");
        expect_all_close(linkmesh::detail::local_efficiency_using(c.W, LocalMethod::subgraph), expected,
                         "subgraph");
        expect_all_close(linkmesh::detail::local_efficiency_using(c.W, LocalMethod::shared_trees), expected,
                         "shared trees");
    }
}

// Past one block of 128 sources the shared-tree method accumulates block by
// block, and past 150 sparse nodes its trees come from the heap search;
// compare it with the subgraph method there (the last graph adds a hub
// connected to every node, which the automatic choice gives to shared trees).
TEST(RandomReference, LocalEfficiencyMethodsAgreeOnLargeGraphs) {
    using linkmesh::detail::LocalMethod;
    std::mt19937 rng(777);
    for (auto [nodes, density] : {std::pair{140, 0.97}, std::pair{140, 0.85}, std::pair{220, 0.04}}) {
        RandomMatrixSpec spec;
        spec.nodes = nodes;
        spec.density = density;
        spec.isolated = 1;
        Eigen::MatrixXf W = testdata::random_matrix(spec, rng);
        if (density < 0.1) {
            for (int v = 1; v < nodes - 1; ++v) W(0, v) = W(v, 0) = 0.5f + 0.002f * v;
        }
        SCOPED_TRACE(testdata::describe(spec));
        const Eigen::VectorXd subgraph =
            linkmesh::detail::local_efficiency_using(W, LocalMethod::subgraph).cast<double>().matrix();
        expect_all_close(linkmesh::detail::local_efficiency_using(W, LocalMethod::shared_trees), subgraph,
                         "shared trees");
        expect_all_close(linkmesh::local_efficiency(W), subgraph, "automatic");
    }
}

TEST(RandomReference, ClusteringMatchesTripleLoop) {
    for (const RandomCase& c : cases()) {
        SCOPED_TRACE(testdata::describe(c.spec));
        expect_all_close(linkmesh::clustering_coeff(c.W), reference::clustering_coeff(c.W.cast<double>()),
                         "clustering");
    }
}

TEST(RandomReference, EigenvectorMatchesPowerIterationOnConnectedGraphs) {
    int compared = 0;
    for (const RandomCase& c : cases()) {
        if (c.spec.density < 0.7 || c.spec.isolated > 0 || c.spec.nodes < 3) continue;
        Eigen::MatrixXd Wd = c.W.cast<double>();
        Wd.diagonal().setZero();
        if (!reference::floyd_warshall(Wd).allFinite()) continue;  // strongly connected only
        SCOPED_TRACE(testdata::describe(c.spec));
        expect_all_close(linkmesh::eigenvector_centrality(c.W), reference::eigenvector_centrality(Wd),
                         "eigenvector");
        ++compared;
    }
    EXPECT_GT(compared, 50);
}

}  // namespace
