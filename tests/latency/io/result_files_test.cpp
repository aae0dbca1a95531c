// Byte-exact layouts of the plot files and result tables, the stream's
// default float format included, and the whole-or-nothing text file.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "frame/atomic_file.h"
#include "latency/io/result_files.h"

namespace {

namespace fs = std::filesystem;

std::string plotHeader(int points, int r, int g, int b) {
    return "FileVersion: 1.0\nNrOfCurves:  1\n\nStdDevErrs:  1\nNrOfCurveDataPoints " +
           std::to_string(points) + "\nTimeCourseThick:  3\nTimeCourseColorR: " + std::to_string(r) +
           "\nTimeCourseColorG: " + std::to_string(g) + "\nTimeCourseColorB: " + std::to_string(b) +
           "\nStdDevErrThick:   2\nStdDevErrColorR:  0\nStdDevErrColorG:  0\nStdDevErrColorB:  0\n"
           "NrOfSegIntervals: 3\n-2   2\n192 192 192\n3 1001\n192 192 192\n 4  15\n192 192 192\n"
           "<data>\n";
}

TEST(PlotFile, HeaderZeroRowsAndValuesInPercentOfTheOffset) {
    const float values[] = {0.01f, 0.03f, 0.0125f, -0.004f, 1234.5678f};
    const float errors[] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::ostringstream out;
    latency::io::writePlotFile(out, values, errors, 0.01f, 5, 2, latency::io::kSignalColour);
    EXPECT_EQ(out.str(), plotHeader(7, 0, 255, 0) +
                             "0 0\n0 0\n"
                             "0 0\n2 0\n0.25 0\n-1.4 0\n123456 0\n"
                             "<data>\n");
}

TEST(PlotFile, ColoursOfTheFourCurves) {
    const struct {
        latency::io::PlotColour colour;
        int r, g, b;
    } cases[] = {{latency::io::kSignalColour, 0, 255, 0},
                 {latency::io::kSignalFitColour, 255, 0, 0},
                 {latency::io::kBetaColour, 0, 255, 255},
                 {latency::io::kBetaFitColour, 255, 0, 255}};
    for (const auto& c : cases) {
        std::ostringstream out;
        latency::io::writePlotFile(out, nullptr, nullptr, 0.0f, 0, 2, c.colour);
        EXPECT_EQ(out.str(), plotHeader(2, c.r, c.g, c.b) + "0 0\n0 0\n<data>\n");
    }
}

TEST(ResultTables, SingleTrialTableRowsAndCurves) {
    std::ostringstream table;
    latency::io::writeSingleTrialTableHeader(table, 2, "/data/run2.vtc");
    latency::core::ResponseMeasures good;
    good.onset = 2.1f;
    good.width = 7.35f;
    good.timeToPeak = 3.1f;
    good.amplitude = 2.0000002f;
    good.badFit = false;
    latency::io::writeMeasuresRow(table, good);
    latency::io::writeMeasuresRow(table, latency::core::ResponseMeasures{});
    EXPECT_EQ(table.str(),
              "VTC n.2 : /data/run2.vtc\nOnset Duration Time-to-peak Amplitude\n"
              "2.1 7.35 3.1 2\n-1 -1 -1 -1\n");

    std::ostringstream curves;
    const float trial[] = {0.0f, 0.0125f, -0.00001f};
    const float fitted[] = {0.0f, 0.01f, 0.0f};
    latency::io::writeSingleTrialCurve(curves, 1, "Left", 3, trial, fitted, 3);
    EXPECT_EQ(curves.str(), "VTC n.1 VOI : Left Trial n.3\n0 0\n1.25 1\n-0.001 0\n");

    std::ostringstream voxels;
    const float average[] = {0.02f, 0.5f};
    latency::io::writeVoxelAverageTrial(voxels, 4, 17, average, 2);
    EXPECT_EQ(voxels.str(), "VTC n.4 Voxel n.17\n2\n50\n");
}

TEST(ResultTables, RegionBlocksOneValuePerVtc) {
    const float onset[] = {2.1f, -1.0f};
    const float width[] = {7.1f, -1.0f};
    const float peak[] = {3.1f, -1.0f};
    const float amplitude[] = {2.0f, -1.0f};
    std::ostringstream out;
    latency::io::writeRegionResults(out, 12, {onset, width, peak, amplitude, 2});
    EXPECT_EQ(out.str(),
              " Region 12\nOnset Latency \n2.1\n-1\n\nDuration Latency \n7.1\n-1\n\n"
              "Time-to-Peak Latency \n3.1\n-1\n\nPercent Signal Change \n2\n-1\n\n");
}

TEST(ResultTables, RegionVoxelTableNamesEachSelectedVoxelsCellAndCentre) {
    // A 5 x 4 x 3 grid of 2 mm cells starting at (10, 20, 30).
    latency::core::VtcGrid grid;
    grid.xStart = 10;
    grid.yStart = 20;
    grid.zStart = 30;
    grid.resolution = 2;
    grid.dimX = 5;
    grid.dimY = 4;
    grid.dimZ = 3;
    // Linear indices of (0,0,0), (4,0,0), (1,2,0), (3,1,2) and the last cell (4,3,2).
    const std::vector<int> selected = {0, 4, 11, 48, 59};
    std::ostringstream out;
    latency::io::writeRegionVoxelTable(out, grid, selected);
    EXPECT_EQ(out.str(),
              "Region,VTC x,VTC y,VTC z,VMR x,VMR y,VMR z\n"
              "1,0,0,0,10,20,30\n"
              "2,4,0,0,18,20,30\n"
              "3,1,2,0,12,24,30\n"
              "4,3,1,2,16,22,34\n"
              "5,4,3,2,18,26,34\n");
    // Each listed cell maps back onto itself through the grid's rounding.
    EXPECT_EQ(latency::core::gridCell(16, grid.xStart, grid.resolution, grid.dimX), 3);
    EXPECT_EQ(latency::core::gridCell(34, grid.zStart, grid.resolution, grid.dimZ), 2);

    std::ostringstream empty;
    latency::io::writeRegionVoxelTable(empty, grid, {});
    EXPECT_EQ(empty.str(), "Region,VTC x,VTC y,VTC z,VMR x,VMR y,VMR z\n");
}

TEST(ResultTables, FileNames) {
    EXPECT_EQ(latency::io::signalPlotName("V1", 3), "V1_VTC3_sig.dat");
    EXPECT_EQ(latency::io::signalFitPlotName("V1", 3), "V1_VTC3_sig_fit.dat");
    EXPECT_EQ(latency::io::betaPlotName("V1", 3), "V1_VTC3_bet.dat");
    EXPECT_EQ(latency::io::betaFitPlotName("V1", 3), "V1_VTC3_bet_fit.dat");
    EXPECT_EQ(latency::io::singleTrialTableName("V1", 3), "V1_VTC3.txt");
    EXPECT_EQ(latency::io::allSingleTrialsName(12), "AllSingleTrials_VTC12.txt");
    EXPECT_EQ(latency::io::allVoxelTrialsName(12), "AllVoxelTrials_VTC12.txt");
    EXPECT_STREQ(latency::io::kAverageResultsName, "AvgTrials_Results.txt");
    EXPECT_STREQ(latency::io::kRegionVoxelsName, "AvgTrials_Regions.csv");
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("latency_atomic_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(AtomicFile, AppearsOnlyOnCommitAndReplacesAnOldFile) {
    const std::string name = (dir_ / "out.txt").string();
    { std::ofstream(name) << "old\n"; }
    tl::AtomicFile file(name);
    ASSERT_TRUE(file.good());
    file.stream() << 0.1f << '\n';
    EXPECT_TRUE(fs::exists(name + ".part"));
    std::ifstream before(name);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(before), {}), "old\n");
    EXPECT_TRUE(file.commit());
    EXPECT_FALSE(fs::exists(name + ".part"));
    std::ifstream after(name);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), "0.1\n");
}

TEST_F(AtomicFile, SecondCommitReplacesTheFirstAndAFailedRenameLeavesNoPart) {
    const std::string name = (dir_ / "again.txt").string();
    for (const char* text : {"first\n", "second\n"}) {
        tl::AtomicFile file(name);
        file.stream() << text;
        EXPECT_TRUE(file.commit()) << text;
    }
    std::ifstream after(name);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), "second\n");

    // A folder of that name cannot be replaced by a file.
    const std::string folder = (dir_ / "taken").string();
    fs::create_directories(fs::path(folder) / "inside");
    tl::AtomicFile blocked(folder);
    ASSERT_TRUE(blocked.good());
    blocked.stream() << "x\n";
    EXPECT_FALSE(blocked.commit());
    EXPECT_FALSE(fs::exists(folder + ".part"));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(AtomicFile, AnUncommittedFileLeavesNothing) {
    const std::string name = (dir_ / "never.txt").string();
    {
        tl::AtomicFile file(name);
        file.stream() << "partial\n";
    }
    EXPECT_FALSE(fs::exists(name));
    EXPECT_FALSE(fs::exists(name + ".part"));
}

TEST_F(AtomicFile, AFileThatCannotBeOpenedIgnoresWritesAndIsNotCommitted) {
    const std::string name = (dir_ / "no_such_folder" / "x.txt").string();
    tl::AtomicFile file(name);
    EXPECT_FALSE(file.good());
    file.stream() << "ignored\n";
    EXPECT_FALSE(file.commit());
    EXPECT_FALSE(fs::exists(name));
}

}  // namespace
