// Loading a subject's matrices and node names, and running the feature
// measures on them (wiring of each feature key to its linkmesh measure).
#include "graph/core/graph_feature_compute.h"
#include "graph/io/subject_data.h"

#include "linkmesh/linkmesh.h"
#include "manifest_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace graph::core;
using namespace graph::io;

using graph_test::TempFolder;

namespace {

Subject subjectIn(const TempFolder& folder) {
    Subject s;
    s.manifest = readStudyManifest(folder.writeJson("m.json", graph_test::validManifest()));
    s.folder = folder.path().string();
    return s;
}

Eigen::MatrixXf fromRows(const std::vector<std::vector<float>>& rows) {
    Eigen::MatrixXf m(rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows.size(); ++j) m(i, j) = rows[i][j];
    return m;
}

// Star: node 0 joined to 1, 2 and 3 with weight 0.5.
Eigen::MatrixXf star() {
    return fromRows({{0, .5f, .5f, .5f}, {.5f, 0, 0, 0}, {.5f, 0, 0, 0}, {.5f, 0, 0, 0}});
}

Eigen::MatrixXf completeGraph(int n) {
    Eigen::MatrixXf m = Eigen::MatrixXf::Ones(n, n);
    m.diagonal().setZero();
    return m;
}

void expectValues(const std::vector<float>& actual, const std::vector<double>& expected,
                  const std::string& what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5) << what << " node " << i;
}

}  // namespace

TEST(SubjectData, NodeNamesFollowSelectedVois) {
    StudyManifest m;
    m.vois_names = {"alpha", "beta", "gamma"};
    m.selected_vois = {2, 0};
    EXPECT_EQ(selectNodeNames(m), (std::vector<std::string>{"gamma", "alpha"}));
    m.selected_vois = {1, 1};
    EXPECT_EQ(selectNodeNames(m), (std::vector<std::string>{"beta", "beta"}));
    m.selected_vois = {};
    EXPECT_TRUE(selectNodeNames(m).empty());

    for (const int bad : {3, -1, 100}) {
        m.selected_vois = {0, bad};
        EXPECT_THROW(selectNodeNames(m), SubjectDataError) << bad;
    }
    m.selected_vois = {3};
    try {
        selectNodeNames(m);
    } catch (const SubjectDataError& e) {
        EXPECT_NE(std::string(e.what()).find("selected_vois holds 3"), std::string::npos) << e.what();
    }
}

TEST(SubjectData, FinalMatricesAreReadInOrderBesideTheManifest) {
    TempFolder folder;
    folder.write("final_0.csv", graph_test::csvMatrix({{0, .1f}, {.1f, 0}}));
    folder.write("final_1.csv", graph_test::csvMatrix({{0, .2f}, {.2f, 0}}));
    folder.write("final_2.csv", graph_test::csvMatrix({{0, .3f, 0}, {.3f, 0, 1}, {0, 1, 0}}));
    const std::vector<Eigen::MatrixXf> matrices = loadFinalMatrices(subjectIn(folder));
    ASSERT_EQ(matrices.size(), 3u);
    EXPECT_FLOAT_EQ(matrices[0](0, 1), .1f);
    EXPECT_FLOAT_EQ(matrices[1](1, 0), .2f);
    EXPECT_EQ(matrices[2].rows(), 3);
    EXPECT_FLOAT_EQ(matrices[2](1, 2), 1.f);
}

TEST(SubjectData, MissingMatrixFileFailsWithLinkmeshError) {
    TempFolder folder;
    folder.write("final_0.csv", graph_test::csvMatrix({{0, .1f}, {.1f, 0}}));
    EXPECT_THROW(loadFinalMatrices(subjectIn(folder)), linkmesh::Error);
}

TEST(GraphFeatureCompute, ClosedFormValuesOnKnownGraphs) {
    const std::vector<Eigen::MatrixXf> graphs = {completeGraph(4), star()};
    const double e = 1.0 / std::sqrt(6.0);
    struct Case {
        std::string key;
        std::vector<double> complete;
        std::vector<double> star;
    };
    const std::vector<Case> cases = {
        {"degree", {3, 3, 3, 3}, {3, 1, 1, 1}},
        {"strength", {3, 3, 3, 3}, {1.5, .5, .5, .5}},
        {"clustering_coeff", {1, 1, 1, 1}, {0, 0, 0, 0}},
        {"local_efficiency", {1, 1, 1, 1}, {0, 0, 0, 0}},
        {"eigenvector_centrality", {.5, .5, .5, .5}, {std::sqrt(3.0) * e, e, e, e}},
        // Lengths are 1 / weight: centre to leaf 2, leaf to leaf 4.
        {"nodal_ge", {1, 1, 1, 1}, {.5, 1.0 / 3, 1.0 / 3, 1.0 / 3}},
        {"global_efficiency", {1}, {.375}},
    };
    for (const Case& c : cases) {
        const auto values = computeFeatureValues(c.key, graphs);
        ASSERT_EQ(values.size(), 2u) << c.key;
        expectValues(values[0], c.complete, c.key + " on K4");
        expectValues(values[1], c.star, c.key + " on the star");
    }
}

// Every key runs its own measure: on a graph where all measures differ, the
// values equal a direct call of the named linkmesh function.
TEST(GraphFeatureCompute, EachKeyCallsItsLinkmeshMeasure) {
    const Eigen::MatrixXf g = fromRows({{0, .5f, .8f, .3f, 0},
                                        {.5f, 0, .9f, 0, 0},
                                        {.8f, .9f, 0, .4f, 0},
                                        {.3f, 0, .4f, 0, .7f},
                                        {0, 0, 0, .7f, 0}});
    const std::vector<Eigen::MatrixXf> one = {g};
    const std::vector<std::pair<std::string, Eigen::ArrayXf>> expected = {
        {"clustering_coeff", linkmesh::clustering_coeff(g)},
        {"local_efficiency", linkmesh::local_efficiency(g)},
        {"degree", linkmesh::degree(g)},
        {"eigenvector_centrality", linkmesh::eigenvector_centrality(g)},
        {"strength", linkmesh::strength(g)},
        {"nodal_ge", linkmesh::nodal_global_efficiency(g)},
    };
    for (std::size_t a = 0; a < expected.size(); ++a) {
        const auto values = computeFeatureValues(expected[a].first, one);
        ASSERT_EQ(values.size(), 1u);
        const Eigen::ArrayXf& reference = expected[a].second;
        ASSERT_EQ(values[0].size(), static_cast<std::size_t>(reference.size()));
        for (Eigen::Index i = 0; i < reference.size(); ++i)
            EXPECT_EQ(values[0][i], reference(i)) << expected[a].first;
        for (std::size_t b = a + 1; b < expected.size(); ++b)
            EXPECT_FALSE(expected[a].second.isApprox(expected[b].second))
                << "test graph cannot tell " << expected[a].first << " from " << expected[b].first;
    }
    EXPECT_EQ(computeFeatureValues("global_efficiency", one)[0],
              (std::vector<float>{linkmesh::global_efficiency(g)}));
}

TEST(GraphFeatureCompute, UnknownKeyAndBadMatrix) {
    EXPECT_THROW(computeFeatureValues("betweenness", {completeGraph(3)}), std::invalid_argument);
    EXPECT_FALSE(isGraphFeatureKey("betweenness"));
    EXPECT_TRUE(isGraphFeatureKey("nodal_ge"));
    EXPECT_THROW(computeFeatureValues("degree", {Eigen::MatrixXf::Ones(2, 3)}), linkmesh::Error);
    EXPECT_TRUE(computeFeatureValues("degree", {}).empty());
}

TEST(GraphFeatureCompute, SlowMeasuresAskAboveFiftyNodes) {
    struct Case {
        std::string key;
        bool asksAt51;
    };
    const std::vector<Case> cases = {
        {"local_efficiency", true},   {"eigenvector_centrality", true},
        {"nodal_ge", true},           {"degree", false},
        {"strength", false},          {"clustering_coeff", false},
        {"global_efficiency", false},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(graphFeatureNeedsConfirmation(c.key, {completeGraph(50)})) << c.key;
        EXPECT_EQ(graphFeatureNeedsConfirmation(c.key, {completeGraph(51)}), c.asksAt51) << c.key;
        // Only the first matrix decides.
        EXPECT_FALSE(graphFeatureNeedsConfirmation(c.key, {completeGraph(10), completeGraph(60)})) << c.key;
        EXPECT_FALSE(graphFeatureNeedsConfirmation(c.key, {})) << c.key;
    }
}
