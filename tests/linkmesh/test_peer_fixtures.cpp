// linkmesh against networkx values stored by tools/linkmesh_fixtures.py.
#include "linkmesh/linkmesh.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::vector<fs::path> fixture_files() {
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(LINKMESH_FIXTURE_DIR))
        if (entry.path().extension() == ".json") out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

void expect_close(double actual, double expected) {
    EXPECT_NEAR(actual, expected, 1e-5 * std::abs(expected) + 1e-7);
}

void expect_matches(const Eigen::ArrayXf& actual, const json& expected, const char* what) {
    ASSERT_EQ(actual.size(), static_cast<Eigen::Index>(expected.size())) << what;
    for (Eigen::Index i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(std::string(what) + ", node " + std::to_string(i));
        expect_close(actual(i), expected[static_cast<size_t>(i)].get<double>());
    }
}

TEST(PeerFixtures, EnoughVariedFixturesArePresent) {
    const auto files = fixture_files();
    EXPECT_GE(files.size(), 10u);
    bool has_isolated = false, has_small = false, has_large = false;
    int binary = 0, directed = 0;
    for (const fs::path& f : files) {
        const json values = json::parse(std::ifstream(f));
        const int n = values["nodes"];
        has_small |= n <= 10;
        has_large |= n >= 200;
        for (const json& d : values["degree"]) has_isolated |= d.get<double>() == 0.0;
        binary += values.contains("nx_local_efficiency");
        directed += values.value("directed", false);
    }
    EXPECT_TRUE(has_isolated && has_small && has_large);
    EXPECT_GE(binary, 4);
    EXPECT_GE(directed, 1);
}

// A fixture holds the measures its peer computes in linkmesh's reading: a
// directed one has no clustering (networkx's directed clustering is another
// formula), and a graph whose leading eigenvalue is not simple has no eigenvector.
TEST(PeerFixtures, EveryMeasureMatchesThePeer) {
    int compared = 0;
    for (const fs::path& file : fixture_files()) {
        SCOPED_TRACE(file.filename().string());
        const json values = json::parse(std::ifstream(file));
        const Eigen::MatrixXf W =
            linkmesh::from_csv((file.parent_path() / values["matrix"].get<std::string>()).string());
        ASSERT_EQ(W.rows(), values["nodes"].get<Eigen::Index>());
        const bool directed = values.value("directed", false);
        ASSERT_EQ(directed, !W.isApprox(W.transpose(), 0.0f));

        expect_matches(linkmesh::degree(W), values["degree"], "degree (G.degree)");
        expect_matches(linkmesh::strength(W), values["strength"], "strength (G.degree weight)");
        if (!directed)
            expect_matches(linkmesh::clustering_coeff(W), values["clustering_coeff"], "nx.clustering");
        if (!values["eigenvector_centrality"].is_null())
            expect_matches(linkmesh::eigenvector_centrality(W), values["eigenvector_centrality"],
                           "nx.eigenvector_centrality_numpy");
        expect_matches(linkmesh::nodal_global_efficiency(W), values["nodal_global_efficiency"],
                       "nodal efficiency (nx Dijkstra)");
        expect_close(linkmesh::global_efficiency(W), values["global_efficiency"].get<double>());
        const Eigen::ArrayXf local = linkmesh::local_efficiency(W);
        expect_matches(local, values["local_efficiency"], "local efficiency (scipy subgraph Dijkstra)");

        if (values.contains("nx_global_efficiency"))
            expect_close(linkmesh::global_efficiency(W), values["nx_global_efficiency"].get<double>());
        if (values.contains("nx_local_efficiency")) {
            expect_matches(local, values["nx_local_efficiency"], "binary local efficiency (networkx)");
            expect_close(local.cast<double>().mean(), values["nx_local_efficiency_mean"].get<double>());
        }
        ++compared;
    }
    EXPECT_GE(compared, 10);
}

}  // namespace
