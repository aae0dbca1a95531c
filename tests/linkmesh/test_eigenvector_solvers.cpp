// The iterative eigenvector solver against the dense one on the same matrices:
// random graphs of every shape, bipartite graphs (eigenvalues +-lambda, where
// plain power iteration oscillates), isolated nodes, and graphs where the
// answer is not unique or not reachable iteratively, which must fall back to
// the dense solver.
#include "random_matrices.h"

#include "linkmesh/detail/eigenvector.h"
#include "linkmesh/linkmesh.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using linkmesh::detail::EigenMethod;
using linkmesh::detail::eigenvector_centrality_using;
using testdata::RandomMatrixSpec;

// Single-precision agreement of unit vectors.
void expect_same_vector(const Eigen::ArrayXf& actual, const Eigen::ArrayXf& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_NEAR(actual.matrix().norm(), 1.0, 1e-6);
    for (Eigen::Index i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual(i), expected(i), 2e-6 + 1e-5 * expected(i)) << "node " << i;
}

// Compares the two solvers; returns whether the iterative result was kept.
bool compare_solvers(const Eigen::MatrixXf& W, EigenMethod method = EigenMethod::iterative) {
    bool iterative = false;
    const Eigen::ArrayXf fast = eigenvector_centrality_using(W, method, &iterative);
    expect_same_vector(fast, eigenvector_centrality_using(W, EigenMethod::dense));
    return iterative;
}

TEST(EigenvectorSolvers, IterativeMatchesDenseOnRandomGraphs) {
    std::mt19937 rng(4242);
    int kept = 0, total = 0;
    for (int nodes : {4, 7, 16, 40, 90, 250})
        for (double density : {0.05, 0.2, 0.5, 1.0})
            for (bool symmetric : {true, false})
                for (int variant = 0; variant < 3; ++variant) {
                    RandomMatrixSpec spec;
                    spec.nodes = nodes;
                    spec.density = density;
                    spec.symmetric = symmetric;
                    spec.isolated = variant == 1 ? 2 : 0;
                    spec.coarse_weights = variant == 2;
                    spec.max_weight = variant == 0 ? 3.0 : 1.0;
                    const Eigen::MatrixXf W = testdata::random_matrix(spec, rng);
                    SCOPED_TRACE(testdata::describe(spec));
                    kept += compare_solvers(W);
                    compare_solvers(W, EigenMethod::automatic);
                    ++total;
                }
    // Most of these graphs are connected: the iterative path must really run.
    EXPECT_GT(kept, total / 2);
}

TEST(EigenvectorSolvers, BipartiteGraphsConvergeToThePerronVector) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> weight(0.1f, 1.0f);
    for (auto [left, right] : {std::pair{5, 9}, std::pair{60, 60}, std::pair{150, 40}}) {
        const int n = left + right;
        Eigen::MatrixXf W = Eigen::MatrixXf::Zero(n, n);
        for (int i = 0; i < left; ++i)
            for (int j = left; j < n; ++j)
                if (j == left + i % right || i == (j - left) % left || weight(rng) < 0.4f)
                    W(i, j) = W(j, i) = weight(rng);
        // Every node has a connection and, with the random ones, the graph is connected.
        SCOPED_TRACE(std::to_string(left) + " + " + std::to_string(right));
        EXPECT_TRUE(compare_solvers(W));
    }
}

// Two dense clusters joined by one weak connection: one component, but its two
// largest eigenvalues lie close together, the slowest case for the iteration.
TEST(EigenvectorSolvers, WeaklyJoinedClustersMatchTheDenseSolver) {
    std::mt19937 rng(31);
    RandomMatrixSpec spec;
    spec.nodes = 120;
    spec.density = 0.4;
    for (float bridge : {1e-2f, 1e-4f}) {
        Eigen::MatrixXf W = Eigen::MatrixXf::Zero(240, 240);
        W.topLeftCorner(120, 120) = testdata::random_matrix(spec, rng);
        W.bottomRightCorner(120, 120) = testdata::random_matrix(spec, rng);
        W(0, 239) = W(239, 0) = bridge;
        SCOPED_TRACE(bridge);
        compare_solvers(W);
        compare_solvers(W, EigenMethod::automatic);
    }
}

// A directed cycle of 100 nodes: its eigenvalues are the 100th roots of unity,
// all of modulus 1; the Perron vector is uniform.
TEST(EigenvectorSolvers, DirectedCycleGivesTheUniformVector) {
    const int n = 100;
    Eigen::MatrixXf W = Eigen::MatrixXf::Zero(n, n);
    for (int i = 0; i < n; ++i) W(i, (i + 1) % n) = 0.5f;
    const Eigen::ArrayXf x = linkmesh::eigenvector_centrality(W);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(x(i), 0.1, 1e-6);
}

// Graphs whose leading eigenvector is not determined by an iteration from a
// positive start: two components (one of them possibly a tie), a directed
// graph with a sink. These go to the dense solver and give its result.
TEST(EigenvectorSolvers, ReducibleGraphsFallBackToTheDenseSolver) {
    std::mt19937 rng(5);
    RandomMatrixSpec spec;
    spec.nodes = 80;
    spec.density = 0.3;
    Eigen::MatrixXf two = Eigen::MatrixXf::Zero(160, 160);
    two.topLeftCorner(80, 80) = testdata::random_matrix(spec, rng);
    two.bottomRightCorner(80, 80) = testdata::random_matrix(spec, rng);
    EXPECT_FALSE(compare_solvers(two));

    Eigen::MatrixXf twins = two;
    twins.bottomRightCorner(80, 80) = twins.topLeftCorner(80, 80);
    bool iterative = true;
    eigenvector_centrality_using(twins, EigenMethod::iterative, &iterative);
    EXPECT_FALSE(iterative);

    spec.symmetric = false;
    Eigen::MatrixXf sink = testdata::random_matrix(spec, rng);
    sink.row(7).setZero();
    EXPECT_FALSE(compare_solvers(sink));

    // Isolated nodes alone do not make the answer ambiguous: they get 0.
    spec.symmetric = true;
    spec.isolated = 5;
    const Eigen::MatrixXf isolated = testdata::random_matrix(spec, rng);
    EXPECT_TRUE(compare_solvers(isolated));
    EXPECT_EQ(linkmesh::eigenvector_centrality(isolated).tail(5).abs().maxCoeff(), 0.0f);
}

}  // namespace
