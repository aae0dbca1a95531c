// Maximum spanning tree against a brute-force search over edge subsets, and
// spectra against closed forms.
#include "linkmesh/linkmesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace {

struct Pair {
    int i, j;
    float w;
};

int root(std::vector<int>& parent, int v) {
    while (parent[v] != v) v = parent[v];
    return v;
}

// Largest total |weight| of any forest (acyclic subset of connections).
double bruteForceMaximumForest(const Eigen::MatrixXf& W) {
    std::vector<Pair> pairs;
    for (int i = 0; i < W.rows(); ++i)
        for (int j = i + 1; j < W.rows(); ++j)
            if (W(i, j) != 0.0f) pairs.push_back({i, j, std::abs(W(i, j))});
    double best = 0;
    for (unsigned long mask = 0; mask < (1ul << pairs.size()); ++mask) {
        std::vector<int> parent(W.rows());
        std::iota(parent.begin(), parent.end(), 0);
        double total = 0;
        bool acyclic = true;
        for (std::size_t e = 0; e < pairs.size() && acyclic; ++e) {
            if (!(mask >> e & 1ul)) continue;
            const int a = root(parent, pairs[e].i), b = root(parent, pairs[e].j);
            if (a == b) acyclic = false;
            parent[a] = b;
            total += pairs[e].w;
        }
        if (acyclic) best = std::max(best, total);
    }
    return best;
}

}  // namespace

TEST(MaximumSpanningTree, MatchesBruteForceOnRandomSignedGraphs) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> weight(-1.0f, 1.0f);
    std::bernoulli_distribution present(0.6);
    for (int n = 1; n <= 6; ++n) {
        for (int trial = 0; trial < 15; ++trial) {
            Eigen::MatrixXf W = Eigen::MatrixXf::Zero(n, n);
            for (int i = 0; i < n; ++i)
                for (int j = i + 1; j < n; ++j)
                    if (present(rng)) W(i, j) = W(j, i) = weight(rng);
            const Eigen::MatrixXf tree = linkmesh::maximum_spanning_tree(W);
            ASSERT_EQ(tree.rows(), n);
            EXPECT_TRUE(tree.isApprox(tree.transpose()));
            double total = 0;
            std::vector<int> parent(n);
            std::iota(parent.begin(), parent.end(), 0);
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(tree(i, i), 0.0f);
                for (int j = i + 1; j < n; ++j) {
                    if (tree(i, j) == 0.0f) continue;
                    EXPECT_EQ(tree(i, j), 1.0f);
                    EXPECT_NE(W(i, j), 0.0f) << "chosen connection that does not exist";
                    const int a = root(parent, i), b = root(parent, j);
                    EXPECT_NE(a, b) << "cycle";
                    parent[a] = b;
                    total += std::abs(W(i, j));
                }
            }
            EXPECT_NEAR(total, bruteForceMaximumForest(W), 1e-5) << "n=" << n << " trial=" << trial;
        }
    }
}

TEST(MaximumSpanningTree, TiesGoToTheFirstPairAndBadInputIsRefused) {
    Eigen::MatrixXf W(3, 3);
    W << 0, 0.5f, 0.5f, 0.5f, 0, 0.5f, 0.5f, 0.5f, 0;
    const Eigen::MatrixXf tree = linkmesh::maximum_spanning_tree(W);
    EXPECT_EQ(tree(0, 1), 1.0f);
    EXPECT_EQ(tree(0, 2), 1.0f);
    EXPECT_EQ(tree(1, 2), 0.0f);
    EXPECT_THROW(linkmesh::maximum_spanning_tree(Eigen::MatrixXf::Zero(2, 3)), linkmesh::Error);
    W(0, 1) = NAN;
    EXPECT_THROW(linkmesh::maximum_spanning_tree(W), linkmesh::Error);
    EXPECT_EQ(linkmesh::maximum_spanning_tree(Eigen::MatrixXf::Zero(4, 4)).sum(), 0.0f);
}

TEST(Spectrum, ClosedFormsAndZeroPadding) {
    Eigen::MatrixXf edge(2, 2);
    edge << 0, 1, 1, 0;  // eigenvalues 1, -1
    Eigen::MatrixXf path(3, 3);
    path << 0, 1, 0, 1, 0, 1, 0, 1, 0;  // sqrt 2, 0, -sqrt 2
    const Eigen::VectorXf s = linkmesh::spectrum(path);
    ASSERT_EQ(s.size(), 3);
    EXPECT_NEAR(s[0], std::sqrt(2.0f), 1e-6);
    EXPECT_NEAR(s[1], 0.0f, 1e-6);
    EXPECT_NEAR(s[2], -std::sqrt(2.0f), 1e-6);
    // (1, -1, 0) against (sqrt 2, 0, -sqrt 2).
    const double expected = std::sqrt(std::pow(1 - std::sqrt(2.0), 2) + 1.0 + 2.0);
    EXPECT_NEAR(linkmesh::spectral_distance(edge, path), expected, 1e-6);
    EXPECT_NEAR(linkmesh::spectral_distance(path, edge), expected, 1e-6);
    EXPECT_EQ(linkmesh::spectral_distance(path, path), 0.0f);
    // A complete graph on 4 nodes: 3 and -1 (three times).
    Eigen::MatrixXf k4 = Eigen::MatrixXf::Ones(4, 4) - Eigen::MatrixXf::Identity(4, 4);
    const Eigen::VectorXf k = linkmesh::spectrum(k4);
    EXPECT_NEAR(k[0], 3.0f, 1e-5);
    for (int i = 1; i < 4; ++i) EXPECT_NEAR(k[i], -1.0f, 1e-5);
    Eigen::MatrixXf bad = edge;
    bad(0, 1) = INFINITY;
    EXPECT_THROW(linkmesh::spectrum(bad), linkmesh::Error);
    EXPECT_THROW(linkmesh::spectrum(Eigen::MatrixXf::Zero(2, 3)), linkmesh::Error);
}
