// linkmesh-measures: report layout, values as the library computes them, exit statuses.
#include "linkmesh/tools/measures_cli.h"

#include "linkmesh/linkmesh.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kFixture = std::string(LINKMESH_FIXTURE_DIR) + "/w5_complete.csv";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<double> fields_of(const std::string& line) {
    std::vector<double> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');) out.push_back(std::strtod(field.c_str(), nullptr));
    return out;
}

TEST(MeasuresCli, ReportHoldsEveryMeasureExactlyAsComputed) {
    std::ostringstream out, err;
    ASSERT_EQ(linkmesh::cli::run({kFixture}, out, err), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const auto lines = lines_of(out.str());
    const Eigen::MatrixXf W = linkmesh::from_csv(kFixture);
    ASSERT_EQ(lines.size(), 4u + 5u);
    EXPECT_EQ(lines[0], "# file: " + kFixture);
    EXPECT_EQ(lines[1], "# nodes: 5");
    EXPECT_EQ(std::strtof(lines[2].substr(lines[2].find(": ") + 2).c_str(), nullptr),
              linkmesh::global_efficiency(W));
    EXPECT_EQ(
        lines[3],
        "node,degree,strength,clustering_coeff,local_efficiency,eigenvector_centrality,nodal_global_efficiency");
    const Eigen::ArrayXf columns[] = {linkmesh::degree(W),
                                      linkmesh::strength(W),
                                      linkmesh::clustering_coeff(W),
                                      linkmesh::local_efficiency(W),
                                      linkmesh::eigenvector_centrality(W),
                                      linkmesh::nodal_global_efficiency(W)};
    for (int i = 0; i < 5; ++i) {
        const std::vector<double> row = fields_of(lines[4 + static_cast<size_t>(i)]);
        ASSERT_EQ(row.size(), 7u);
        EXPECT_EQ(row[0], i + 1);
        for (int c = 0; c < 6; ++c)  // nine digits give back the float exactly
            EXPECT_EQ(static_cast<float>(row[1 + static_cast<size_t>(c)]), columns[c](i))
                << "node " << i << " column " << c;
    }
}

TEST(MeasuresCli, BadFileIsReportedAndTheOthersStillPrinted) {
    std::ostringstream out, err;
    const std::string missing = "/nonexistent/linkmesh/missing.csv";
    EXPECT_EQ(linkmesh::cli::run({missing, kFixture, kFixture}, out, err), 1);
    EXPECT_EQ(err.str(),
              "linkmesh-measures: " + missing + ": cannot open the file (No such file or directory)\n");
    const auto lines = lines_of(out.str());
    ASSERT_EQ(lines.size(), 2u * 9u + 1u);  // two blocks and the blank line between them
    EXPECT_EQ(lines[9], "");
    EXPECT_EQ(lines[10], "# file: " + kFixture);
}

// Weights at the single-precision maximum: a strength of twice FLT_MAX must be
// refused with the file and the measure named, not printed as inf with status 0.
TEST(MeasuresCli, ResultBeyondSinglePrecisionFailsTheFile) {
    const std::string path = ::testing::TempDir() + "linkmesh_cli_huge_weights.csv";
    std::ofstream(path) << "0,3.40282347e+38,0\n3.40282347e+38,0,3.40282347e+38\n0,3.40282347e+38,0\n";
    std::ostringstream out, err;
    EXPECT_EQ(linkmesh::cli::run({path, kFixture}, out, err), 1);
    EXPECT_EQ(err.str(),
              "linkmesh-measures: " + path +
                  ": linkmesh::strength: the result for node 2 (6.80564693e+38) is too large for single "
                  "precision\n");
    const auto lines = lines_of(out.str());
    ASSERT_EQ(lines.size(), 9u);  // only the good file's block, without a leading blank line
    EXPECT_EQ(lines[0], "# file: " + kFixture);
    std::remove(path.c_str());
}

TEST(MeasuresCli, UsageAndHelp) {
    std::ostringstream out, err;
    EXPECT_EQ(linkmesh::cli::run({}, out, err), 2);
    EXPECT_NE(err.str().find("usage: linkmesh-measures MATRIX.csv"), std::string::npos);
    EXPECT_EQ(out.str(), "");
    std::ostringstream out2, err2;
    EXPECT_EQ(linkmesh::cli::run({"--help"}, out2, err2), 0);
    EXPECT_NE(out2.str().find("usage: linkmesh-measures"), std::string::npos);
}

}  // namespace
