// The matrix view's computations: mirrored matrix, histogram bins and the
// exact CSV bytes.
#include "graph/core/matrix_tables.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace graph::core;

TEST(MatrixTables, MirrorCopiesTheUpperTriangleBelow) {
    Eigen::MatrixXf m(3, 3);
    m << 0, 1, 2, 9, 0, 3, 9, 9, 0;
    Eigen::MatrixXf expected(3, 3);
    expected << 0, 1, 2, 1, 0, 3, 2, 3, 0;
    EXPECT_EQ(mirrorUpperTriangle(m), expected);
}

TEST(MatrixTables, OffDiagonalValuesRowByRow) {
    Eigen::MatrixXf m(3, 3);
    m << 7, 1, 2, 3, 7, 4, 5, 6, 7;
    EXPECT_EQ(offDiagonalValues(m), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(offDiagonalValues(Eigen::MatrixXf::Zero(1, 1)).empty());
}

TEST(MatrixTables, UpperTriangleValuesCountEachPairOnce) {
    Eigen::MatrixXf m(3, 3);
    m << 7, 1, 2, 3, 7, 4, 5, 6, 7;
    EXPECT_EQ(upperTriangleValues(m), (std::vector<float>{1, 2, 4}));
    EXPECT_TRUE(upperTriangleValues(Eigen::MatrixXf::Zero(1, 1)).empty());
    EXPECT_TRUE(upperTriangleValues(Eigen::MatrixXf()).empty());
    EXPECT_EQ(upperTriangleValues(Eigen::MatrixXf::Ones(12, 12)).size(), 66u);
}

TEST(MatrixTables, HistogramCountsAndFractions) {
    // 0 .. 1 in 10 bins of 0.1: 0 and 0.05 in bin 0, 0.55 in bin 5, 1 in bin 9.
    const std::vector<float> values = {0.0f, 0.05f, 0.55f, 1.0f, -0.0f};
    const HistogramBins counts = histogram(values, 10, false);
    EXPECT_EQ(counts.lowest, 0.0);
    EXPECT_EQ(counts.highest, 1.0);
    EXPECT_EQ(counts.heights, (std::vector<double>{3, 0, 0, 0, 0, 1, 0, 0, 0, 1}));
    const HistogramBins fractions = histogram(values, 10, true);
    EXPECT_DOUBLE_EQ(fractions.heights[0], 0.6);
    EXPECT_DOUBLE_EQ(fractions.heights[9], 0.2);
    // Negative values: -1 .. 1 in 4 bins of 0.5.
    const HistogramBins signedBins = histogram({-1.0f, -0.6f, -0.5f, 0.2f, 0.9f, 1.0f}, 4, false);
    EXPECT_EQ(signedBins.heights, (std::vector<double>{2, 1, 1, 2}));
    // All equal: every value in the first bin.
    EXPECT_EQ(histogram({0.0f, 0.0f, 0.0f}, 10, false).heights[0], 3.0);
    EXPECT_EQ(histogram({}, 10, false).heights, std::vector<double>(10, 0.0));
}

TEST(MatrixTables, CsvHasNamesAsHeaderRowAndFirstColumn) {
    Eigen::MatrixXf m(3, 3);
    m << 0, 0.5f, 0.25f, 0.5f, 0, -0.125f, 0.25f, -0.125f, 1e-7f;
    std::ostringstream out;
    writeMatrixCsv(out, m, {"Left V1", "a,b", "say \"hi\""});
    EXPECT_EQ(out.str(),
              ",Left V1,\"a,b\",\"say \"\"hi\"\"\"\n"
              "Left V1,0,0.5,0.25\n"
              "\"a,b\",0.5,0,-0.125\n"
              "\"say \"\"hi\"\"\",0.25,-0.125,1e-07\n");
    EXPECT_EQ(formatValue(0.123456789), "0.123457");
    EXPECT_EQ(formatValue(1234567.0), "1.23457e+06");
}
