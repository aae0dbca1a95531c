// The texts the connectivity analysis writes: the matrix table's bytes, the
// CSV read back by linkmesh to the same floats, the study manifest read by
// the graph plug-in's own reader, and the measures table's closed forms.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "bids/analyses/connectivity_outputs.h"
#include "graph/io/study_manifest.h"
#include "graph/io/subject_data.h"
#include "linkmesh/linkmesh.h"
#include "support/test_files.h"

namespace c = bids::analyses::connectivity;
namespace fs = std::filesystem;

namespace {}  // namespace

TEST(ConnectivityOutputs, MatrixTableHasTheNamesThenTheRows) {
    Eigen::MatrixXd m(2, 2);
    m << 1, -0.25, -0.25, 1;
    EXPECT_EQ(c::matrixTable({"Left motor", "V1"}, m), "Left motor\tV1\n1\t-0.25\n-0.25\t1\n");
}

TEST(ConnectivityOutputs, WeightsCsvReadsBackToTheSameFloatsWithAZeroDiagonal) {
    Eigen::MatrixXd r(3, 3);
    r << 1, 0.123456789123, -0.987654321, 0.123456789123, 1, 1e-7, -0.987654321, 1e-7, 1;
    const Eigen::MatrixXf w = c::graphWeights(r);
    EXPECT_EQ(w(0, 0), 0.0f);
    EXPECT_EQ(w(0, 1), static_cast<float>(0.123456789123));
    test_support::TempFolder folder;
    const fs::path csv = folder.path() / "m.csv";
    test_support::writeBytes(csv, c::weightsCsv(w));
    const Eigen::MatrixXf back = linkmesh::from_csv(csv.string(), linkmesh::Weights::any_finite);
    ASSERT_EQ(back.rows(), 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(back(i, j), w(i, j)) << i << "," << j;
}

TEST(ConnectivityOutputs, TheGraphPluginReadsTheManifestAndItsMatrices) {
    test_support::TempFolder folder;
    Eigen::MatrixXf a(2, 2), b(2, 2);
    a << 0, 0.5f, 0.5f, 0;
    b << 0, -0.25f, -0.25f, 0;
    test_support::writeBytes(folder.path() / "a.csv", c::weightsCsv(a));
    test_support::writeBytes(folder.path() / "b.csv", c::weightsCsv(b));
    const auto manifest =
        c::studyManifest("sub-07", {"Left motor", "Visual"}, {16, 4},
                         {{"finger tapping", "a.csv"}, {"rest", "b.csv"}}, "made by a test");
    const fs::path path = folder.path() / "m_manifest.json";
    test_support::writeBytes(path, manifest.dump(2));
    graph::io::Subject subject;
    subject.manifest = graph::io::readStudyManifest(path.string());
    subject.folder = folder.path().string();
    EXPECT_EQ(subject.manifest.unique_id, "sub-07");
    EXPECT_TRUE(subject.manifest.uses_proto);
    ASSERT_EQ(subject.manifest.ordered_conditions.size(), 2u);
    EXPECT_EQ(subject.manifest.ordered_conditions[1].name, "rest");
    EXPECT_EQ(subject.manifest.ordered_conditions[1].type, 1);
    EXPECT_EQ(subject.manifest.vois_sizes, (std::vector<int>{16, 4}));
    EXPECT_EQ(graph::io::selectNodeNames(subject.manifest),
              (std::vector<std::string>{"Left motor", "Visual"}));
    const auto matrices = graph::io::loadFinalMatrices(subject);
    ASSERT_EQ(matrices.size(), 2u);
    EXPECT_EQ(matrices[0], a);
    EXPECT_EQ(matrices[1], b);
}

TEST(ConnectivityOutputs, MeasuresTableHoldsStrengthAndDegreeOfThePositiveWeights) {
    // Node 0 links to 1 (0.5) and 2 (0.25), 1 to 2 negatively (dropped), 3 to nothing.
    Eigen::MatrixXf w = Eigen::MatrixXf::Zero(4, 4);
    w(0, 1) = w(1, 0) = 0.5f;
    w(0, 2) = w(2, 0) = 0.25f;
    w(1, 2) = w(2, 1) = -0.75f;
    const auto rows =
        test_support::tsvCells(c::measuresTable({{"sub-01", "rest", w}}, {"a", "b", "c", "d"}, true));
    ASSERT_EQ(rows.size(), 6u);
    const auto& header = rows[0];
    ASSERT_GE(header.size(), 4u);
    EXPECT_EQ(header[0], "participant_id");
    EXPECT_EQ(header[1], "condition");
    EXPECT_EQ(header[2], "region");
    auto column = [&](const std::string& key) {
        for (std::size_t i = 0; i < header.size(); ++i)
            if (header[i] == key) return i;
        ADD_FAILURE() << "no column " << key;
        return std::size_t{0};
    };
    const std::size_t strength = column("strength"), degree = column("degree");
    const std::size_t global = column("global_efficiency");
    const double expectedStrength[] = {0.75, 0.5, 0.25, 0.0};
    const double expectedDegree[] = {2, 1, 1, 0};
    for (int node = 0; node < 4; ++node) {
        const auto& row = rows[static_cast<std::size_t>(node) + 1];
        ASSERT_EQ(row.size(), header.size());
        EXPECT_EQ(row[0], "sub-01");
        EXPECT_EQ(row[1], "rest");
        EXPECT_NEAR(std::stod(row[strength]), expectedStrength[node], 1e-7);
        EXPECT_NEAR(std::stod(row[degree]), expectedDegree[node], 1e-7);
        EXPECT_EQ(row[global], "n/a");
    }
    EXPECT_EQ(rows[5][2], "n/a");
    EXPECT_EQ(rows[5][strength], "n/a");
    // Global efficiency: mean over ordered pairs of 1 / shortest path length,
    // lengths the inverse weights: 0-1 2, 0-2 4, 1-2 via 0 6, d isolated.
    const double expectedGlobal = (1 / 2.0 + 1 / 4.0 + 1 / 6.0) * 2 / 12.0;
    EXPECT_NEAR(std::stod(rows[5][global]), expectedGlobal, 1e-6);
}
