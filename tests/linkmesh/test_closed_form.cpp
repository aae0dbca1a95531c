// Every measure on small graphs whose values follow by hand.
#include "linkmesh/linkmesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using Rows = std::vector<std::vector<float>>;
using Values = std::vector<double>;

Eigen::MatrixXf matrix(const Rows& rows) {
    Eigen::MatrixXf W(static_cast<Eigen::Index>(rows.size()), static_cast<Eigen::Index>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < rows.size(); ++j) W(i, j) = rows[i][j];
    return W;
}

struct ClosedForm {
    std::string name;
    Rows W;
    Values degree, strength, clustering, local, eigenvector, nodal;
    double global;
};

const double kS3 = 1.0 / std::sqrt(3.0);
const double kPhi = (1.0 + std::sqrt(5.0)) / 2.0;
const double kPathNorm = std::sqrt(2.0 + 2.0 * kPhi * kPhi);
// Weighted triangle a = w01 = 0.8, b = w12 = 0.5, c = w02 = 0.2: shortest
// lengths d01 = 1.25, d12 = 2, d02 = 1.25 + 2 = 3.25 (the direct 5 is longer).
const double kTri = std::cbrt(0.8 * 0.5 * 0.2);

std::vector<ClosedForm> closed_forms() {
    return {
        {"triangle",
         {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}},
         {2, 2, 2},
         {2, 2, 2},
         {1, 1, 1},
         {1, 1, 1},
         {kS3, kS3, kS3},
         {1, 1, 1},
         1.0},
        {"triangle, ones on the diagonal are ignored",
         {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}},
         {2, 2, 2},
         {2, 2, 2},
         {1, 1, 1},
         {1, 1, 1},
         {kS3, kS3, kS3},
         {1, 1, 1},
         1.0},
        // Star with centre 0: leaves are 2 apart; eigenvector (sqrt 3, 1, 1, 1) / sqrt 6.
        {"star",
         {{0, 1, 1, 1}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}},
         {3, 1, 1, 1},
         {3, 1, 1, 1},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {std::sqrt(0.5), 1 / std::sqrt(6.0), 1 / std::sqrt(6.0), 1 / std::sqrt(6.0)},
         {1, 2.0 / 3, 2.0 / 3, 2.0 / 3},
         0.75},
        // Path 0-1-2-3: eigenvalue phi, eigenvector (1, phi, phi, 1).
        {"path of four",
         {{0, 1, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 1}, {0, 0, 1, 0}},
         {1, 2, 2, 1},
         {1, 2, 2, 1},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {1 / kPathNorm, kPhi / kPathNorm, kPhi / kPathNorm, 1 / kPathNorm},
         {(1 + 0.5 + 1.0 / 3) / 3, 2.5 / 3, 2.5 / 3, (1 + 0.5 + 1.0 / 3) / 3},
         (2 * (1 + 0.5 + 1.0 / 3) + 2 * 2.5) / 12},
        // Complete graph, all weights 0.5: every length is 2 (two steps cost 4).
        {"complete K5, weight 0.5",
         {{0, .5f, .5f, .5f, .5f},
          {.5f, 0, .5f, .5f, .5f},
          {.5f, .5f, 0, .5f, .5f},
          {.5f, .5f, .5f, 0, .5f},
          {.5f, .5f, .5f, .5f, 0}},
         {4, 4, 4, 4, 4},
         {2, 2, 2, 2, 2},
         {.5, .5, .5, .5, .5},
         {.5, .5, .5, .5, .5},
         {1 / std::sqrt(5.0), 1 / std::sqrt(5.0), 1 / std::sqrt(5.0), 1 / std::sqrt(5.0), 1 / std::sqrt(5.0)},
         {.5, .5, .5, .5, .5},
         0.5},
        {"weighted triangle",
         {{0, .8f, .2f}, {.8f, 0, .5f}, {.2f, .5f, 0}},
         {2, 2, 2},
         {1.0, 1.3, 0.7},
         {kTri, kTri, kTri},
         {kTri, kTri, kTri},
         {},
         {(0.8 + 1 / 3.25) / 2, (0.8 + 0.5) / 2, (1 / 3.25 + 0.5) / 2},
         (0.8 + 1 / 3.25 + 0.5) / 3},
        // Weights above 1 are used as given: lengths 0.5, efficiencies 2.
        {"triangle with weights 2",
         {{0, 2, 2}, {2, 0, 2}, {2, 2, 0}},
         {2, 2, 2},
         {4, 4, 4},
         {2, 2, 2},
         {2, 2, 2},
         {kS3, kS3, kS3},
         {2, 2, 2},
         2.0},
        // Local efficiency through a path that leaves no neighbourhood: node 0
        // sees 1 and 2 joined only via 3 (not its neighbour): 0.
        {"square",
         {{0, 1, 1, 0}, {1, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 1, 0}},
         {2, 2, 2, 2},
         {2, 2, 2, 2},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {.5, .5, .5, .5},
         {2.5 / 3, 2.5 / 3, 2.5 / 3, 2.5 / 3},
         2.5 / 3},
        {"no connections",
         {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {.5, .5, .5, .5},
         {0, 0, 0, 0},
         0.0},
        {"single node", {{0.7f}}, {0}, {0}, {0}, {0}, {1}, {0}, 0.0},
        // Directed 3-cycle 0 -> 1 -> 2 -> 0: each node reaches the others in 1 and 2.
        // Local efficiency: node 0's neighbours are 1 (out) and 2 (in), joined
        // one way only: factors 1/2, one ordered pair of the 2 counted, 0.25 / 0.5.
        {"directed cycle",
         {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
         {1, 1, 1},
         {1, 1, 1},
         {0, 0, 0},
         {.5, .5, .5},
         {kS3, kS3, kS3},
         {.75, .75, .75},
         0.75},
        // Directed chain 0 -> 1 -> 2: no cycle, so no node stands out.
        {"directed chain",
         {{0, 1, 0}, {0, 0, 1}, {0, 0, 0}},
         {1, 1, 0},
         {1, 1, 0},
         {0, 0, 0},
         {0, 0, 0},
         {kS3, kS3, kS3},
         {.75, .5, 0},
         1.25 / 3},
    };
}

void expect_values(const Eigen::ArrayXf& actual, const Values& expected, const char* what) {
    if (expected.empty()) return;  // not given by hand for this graph
    ASSERT_EQ(actual.size(), static_cast<Eigen::Index>(expected.size())) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual(static_cast<Eigen::Index>(i)), expected[i],
                    1e-6 * std::max(1.0, std::abs(expected[i])))
            << what << ", node " << i;
}

TEST(ClosedForm, EveryMeasureOnHandComputedGraphs) {
    for (const ClosedForm& c : closed_forms()) {
        SCOPED_TRACE(c.name);
        const Eigen::MatrixXf W = matrix(c.W);
        expect_values(linkmesh::degree(W), c.degree, "degree");
        expect_values(linkmesh::strength(W), c.strength, "strength");
        expect_values(linkmesh::clustering_coeff(W), c.clustering, "clustering");
        expect_values(linkmesh::local_efficiency(W), c.local, "local efficiency");
        expect_values(linkmesh::eigenvector_centrality(W), c.eigenvector, "eigenvector centrality");
        expect_values(linkmesh::nodal_global_efficiency(W), c.nodal, "nodal global efficiency");
        EXPECT_NEAR(linkmesh::global_efficiency(W), c.global, 1e-6 * std::max(1.0, c.global))
            << "global efficiency";
    }
}

// Node 0 of a 4-node graph with neighbours 1, 2, 3: 1-2 joined directly
// (w 0.5, length cbrt 2) and 2-3 joined (w 1, length 1); 1-3 joined by a weak
// connection (w 1/27, length 3) that is longer than the way through 2
// (1 + cbrt 2). Sum over ordered pairs of cbrt(w_0j w_0h) / d_jh, / (3 * 2).
TEST(ClosedForm, WeightedLocalEfficiencyUsesPathsInsideTheNeighbourhood) {
    const float a = 0.9f, b = 0.4f, c = 0.6f, weak = 1.0f / 27;  // w01, w02, w03, w13
    const Eigen::MatrixXf W = matrix({{0, a, b, c}, {a, 0, .5f, weak}, {b, .5f, 0, 1}, {c, weak, 1, 0}});
    const double r2 = std::cbrt(2.0);
    const double expected = 2 *
                            (std::cbrt(double(a) * b) / r2 + std::cbrt(double(b) * c) / 1.0 +
                             std::cbrt(double(a) * c) / (1 + r2)) /
                            6.0;
    EXPECT_NEAR(linkmesh::local_efficiency(W)(0), expected, 1e-6);
}

// On 0/1 matrices the weighted form is the binary local efficiency: the mean
// inverse hop count inside the neighbourhood. Node 0 sees the path 1-2-3
// (hops 1, 1, 2): (1 + 1 + 1/2) / 3; node 2 sees 1-0-3 likewise; nodes 1 and 3
// see a connected pair. (The cube root of the whole term would give
// (2 + 2^(-1/3)) / 3 = 0.931 for node 0.)
TEST(ClosedForm, LocalEfficiencyOfBinaryGraphIsTheBinaryMeasure) {
    const Eigen::MatrixXf W = matrix({{0, 1, 1, 1}, {1, 0, 1, 0}, {1, 1, 0, 1}, {1, 0, 1, 0}});
    const Eigen::ArrayXf e = linkmesh::local_efficiency(W);
    const double fan = 2.5 / 3;
    for (auto [node, expected] : {std::pair{0, fan}, std::pair{1, 1.0}, std::pair{2, fan}, std::pair{3, 1.0}})
        EXPECT_NEAR(e(node), expected, 1e-6) << "node " << node;
    // Scaling every weight by t scales every term by t^(2/3) / t^(-1/3) = t.
    const Eigen::ArrayXf scaled = linkmesh::local_efficiency(W * 0.125f);
    for (int node = 0; node < 4; ++node) EXPECT_NEAR(scaled(node), 0.125 * e(node), 1e-6) << "node " << node;
}

// Results are summed in double; one that single precision cannot hold is an
// error, never infinity. Means of weights at FLT_MAX still fit and are kept.
TEST(ClosedForm, ResultsBeyondSinglePrecisionThrowInsteadOfInfinity) {
    const float big = std::numeric_limits<float>::max();
    const Eigen::MatrixXf star = matrix({{0, big, big}, {big, 0, 0}, {big, 0, 0}});
    try {
        linkmesh::strength(star);
        ADD_FAILURE() << "no exception";
    } catch (const linkmesh::Error& e) {
        EXPECT_EQ(
            std::string(e.what()),
            "linkmesh::strength: the result for node 1 (6.80564693e+38) is too large for single precision");
    }
    const Eigen::MatrixXf triangle = matrix({{0, big, big}, {big, 0, big}, {big, big, 0}});
    EXPECT_EQ(linkmesh::strength(matrix({{0, big / 2}, {big / 2, 0}}))(0), big / 2);
    for (const Eigen::ArrayXf& values :
         {linkmesh::clustering_coeff(triangle), linkmesh::local_efficiency(triangle),
          linkmesh::nodal_global_efficiency(triangle)})
        for (Eigen::Index i = 0; i < 3; ++i) EXPECT_NEAR(values(i) / big, 1.0f, 1e-6f);
    EXPECT_NEAR(linkmesh::global_efficiency(triangle) / big, 1.0f, 1e-6f);
    EXPECT_TRUE(linkmesh::eigenvector_centrality(triangle).isFinite().all());
}

TEST(ClosedForm, EmptyMatrixGivesEmptyResults) {
    const Eigen::MatrixXf W(0, 0);
    EXPECT_EQ(linkmesh::degree(W).size(), 0);
    EXPECT_EQ(linkmesh::strength(W).size(), 0);
    EXPECT_EQ(linkmesh::clustering_coeff(W).size(), 0);
    EXPECT_EQ(linkmesh::local_efficiency(W).size(), 0);
    EXPECT_EQ(linkmesh::eigenvector_centrality(W).size(), 0);
    EXPECT_EQ(linkmesh::nodal_global_efficiency(W).size(), 0);
    EXPECT_EQ(linkmesh::global_efficiency(W), 0.0f);
}

// Each measure rejects a bad matrix with a message naming itself and the entry.
TEST(ClosedForm, BadMatricesThrowNamingTheFunctionAndTheEntry) {
    using Measure = std::function<void(const Eigen::MatrixXf&)>;
    const std::vector<std::pair<std::string, Measure>> measures = {
        {"degree", [](const Eigen::MatrixXf& W) { linkmesh::degree(W); }},
        {"strength", [](const Eigen::MatrixXf& W) { linkmesh::strength(W); }},
        {"clustering_coeff", [](const Eigen::MatrixXf& W) { linkmesh::clustering_coeff(W); }},
        {"local_efficiency", [](const Eigen::MatrixXf& W) { linkmesh::local_efficiency(W); }},
        {"eigenvector_centrality", [](const Eigen::MatrixXf& W) { linkmesh::eigenvector_centrality(W); }},
        {"nodal_global_efficiency", [](const Eigen::MatrixXf& W) { linkmesh::nodal_global_efficiency(W); }},
        {"global_efficiency", [](const Eigen::MatrixXf& W) { linkmesh::global_efficiency(W); }},
    };
    Eigen::MatrixXf nan_entry = Eigen::MatrixXf::Zero(3, 3), inf_entry = nan_entry, negative = nan_entry;
    nan_entry(1, 2) = std::nanf("");
    inf_entry(1, 2) = INFINITY;
    negative(1, 2) = -0.25f;
    const std::vector<std::pair<Eigen::MatrixXf, std::string>> bad = {
        {Eigen::MatrixXf::Zero(2, 3), "not square (2 rows, 3 columns)"},
        {nan_entry, "row 2, column 3 is not a finite number"},
        {inf_entry, "row 2, column 3 is not a finite number"},
        {negative, "row 2, column 3 is negative (-0.25)"},
    };
    for (const auto& [name, measure] : measures) {
        for (const auto& [W, fragment] : bad) {
            SCOPED_TRACE(name + ": " + fragment);
            try {
                measure(W);
                ADD_FAILURE() << "no exception";
            } catch (const linkmesh::Error& e) {
                EXPECT_NE(std::string(e.what()).find("linkmesh::" + name + ":"), std::string::npos)
                    << e.what();
                EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
            }
        }
    }
}

}  // namespace
