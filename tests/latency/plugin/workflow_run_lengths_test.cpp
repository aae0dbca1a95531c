// Studies whose runs have different lengths: every VTC is read into buffers
// of its own length, only the grid must be the first VTC's; the region table
// of the voxel-wise modes.

#include <algorithm>

#include "host/documents/documents.h"
#include "latency_run_fixture.h"
#include "support/plot_file.h"

namespace latency_test {
namespace {

using nlohmann::json;
using test_support::plotFile;

// A run of `volumes` volumes at TR 1 s with a "Task" trial every 20 s from
// 4 s on, as many as end before the run does.
VtcSpec runOf(int volumes) {
    VtcSpec spec = standardVtc();
    spec.volumes = volumes;
    spec.onsets.clear();
    for (int onset = 4000; onset + 16000 < volumes * 1000; onset += 20000) spec.onsets.push_back(onset);
    return spec;
}

class RunLengthsTest : public LatencyRunTest {
protected:
    // run1, run2, run3 of 180, 200 and 260 volumes: 8, 9 and 12 trials.
    void writeThreeRuns() {
        writeStandardStudy();
        const int lengths[] = {180, 200, 260};
        for (int k = 0; k < 3; ++k) {
            const VtcSpec spec = runOf(lengths[k]);
            writeVtcWithProtocol("run" + std::to_string(k + 1), spec,
                                 {{"Task", spec.onsets}, {"Rest", {14000}}});
        }
    }
};

std::string threeVtcBlock(int region, const char* onset, const char* width, const char* peak,
                          const char* amplitude) {
    std::string text = " Region " + std::to_string(region) + "\n";
    const std::pair<const char*, const char*> blocks[] = {{"Onset Latency \n", onset},
                                                          {"Duration Latency \n", width},
                                                          {"Time-to-Peak Latency \n", peak},
                                                          {"Percent Signal Change \n", amplitude}};
    for (const auto& [title, value] : blocks) {
        text += title;
        for (int v = 0; v < 3; ++v) text += std::string(value) + "\n";
        text += "\n";
    }
    return text;
}

TEST_F(RunLengthsTest, RunsOf180And200And260VolumesAreAllFittedWithEveryTrial) {
    writeThreeRuns();
    const auto result = run(json::array(
        {1, "run1.vtc", "run2.vtc", "run3.vtc", nullptr, 1, 1, 16000, true, 0.05, true, "maps.blm"}));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> Accessing data and estimating trials from VTC n. 3 ..."));
    for (const std::string& line : pluginLog())
        EXPECT_EQ(line.find("does not match"), std::string::npos) << line;

    EXPECT_EQ(output("AvgTrials_Results.txt"),
              threeVtcBlock(1, "2.1", "7.1", "3.1", "2") + threeVtcBlock(2, "4.1", "7.1", "3.1", "3"));
    for (int vtc = 1; vtc <= 3; ++vtc) {
        const std::string n = std::to_string(vtc);
        EXPECT_EQ(output("Left_VTC" + n + "_sig.dat"), plotFile(0, 255, 0, kLeftPercent)) << n;
        EXPECT_EQ(output("Left_VTC" + n + "_sig_fit.dat"), plotFile(255, 0, 0, kLeftPercent)) << n;
        EXPECT_EQ(output("Right_VTC" + n + "_sig.dat"), plotFile(0, 255, 0, kRightPercent)) << n;
        EXPECT_EQ(output("Right_VTC" + n + "_sig_fit.dat"), plotFile(255, 0, 0, kRightPercent)) << n;
    }
    // One table row per trial of each run: 8, 9 and 12.
    const int trials[] = {8, 9, 12};
    for (int vtc = 1; vtc <= 3; ++vtc) {
        const std::string n = std::to_string(vtc);
        std::string table = "VTC n." + n + " : " + (dir() / ("run" + n + ".vtc")).string() +
                            "\nOnset Duration Time-to-peak Amplitude\n";
        for (int t = 0; t < trials[vtc - 1]; ++t) table += "4.1 7.1 3.1 3\n";
        EXPECT_EQ(output("Right_VTC" + n + ".txt"), table) << n;
    }
    // The last run's trials are all there, the 12th included.
    EXPECT_NE(output("AllSingleTrials_VTC3.txt").find("VTC n.3 VOI : Right Trial n.12\n"), std::string::npos);
    EXPECT_EQ(output("AllSingleTrials_VTC3.txt").find("Trial n.13\n"), std::string::npos);
    // Pooled over all 29 trials: the same values (up to single-precision
    // summation), no spread.
    int pooledLines = 0;
    for (const std::string& line : pluginLog()) {
        const std::string prefix = "\t\tOnset delay [sec]: ";
        if (line.rfind(prefix, 0) != 0 || line.find("\xC2\xB1") == std::string::npos) continue;
        const float mean = std::stof(line.substr(prefix.size()));
        EXPECT_NEAR(mean, pooledLines == 0 ? 2.1f : 4.1f, 2e-6f) << line;
        EXPECT_NE(line.find("(\xC2\xB1"
                            "0.000000)"),
                  std::string::npos)
            << line;
        ++pooledLines;
    }
    EXPECT_EQ(pooledLines, 2);
    ASSERT_NE(maps(), nullptr);
    ASSERT_EQ(maps()->maps.size(), 8u);
    const Grid g = standardVtc().grid;
    EXPECT_FLOAT_EQ(maps()->maps[0]->values[static_cast<std::size_t>(g.index(2, 1, 1))], 4.1f);
    EXPECT_FLOAT_EQ(maps()->maps[4]->values[static_cast<std::size_t>(g.index(0, 0, 0))], 2.1f);
}

TEST_F(RunLengthsTest, LongerRunFirstAlsoWorks) {
    writeThreeRuns();
    const auto result =
        run(json::array({1, "run3.vtc", "run1.vtc", nullptr, 1, 1, 16000, false, true, "maps.blm"}));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    std::string expected;
    for (int r = 1; r <= 2; ++r) {
        const char* onset = r == 1 ? "2.1" : "4.1";
        const char* amplitude = r == 1 ? "2" : "3";
        expected += " Region " + std::to_string(r) + "\n";
        for (const char* title :
             {"Onset Latency ", "Duration Latency ", "Time-to-Peak Latency ", "Percent Signal Change "}) {
            const std::string t = title;
            const char* value = t == "Onset Latency "           ? onset
                                : t == "Percent Signal Change " ? amplitude
                                : t == "Duration Latency "      ? "7.1"
                                                                : "3.1";
            expected += t + "\n" + value + "\n" + value + "\n\n";
        }
    }
    EXPECT_EQ(output("AvgTrials_Results.txt"), expected);
}

TEST_F(RunLengthsTest, RunWithAnotherTrIsCutAtItsOwnTr) {
    writeStandardStudy();
    VtcSpec slow = runOf(100);
    slow.tr = 2000;
    slow.onsets.clear();
    for (int onset = 4000; onset + 16000 < 200000; onset += 20000) slow.onsets.push_back(onset);
    writeVtcWithProtocol("run2", slow, {{"Task", slow.onsets}});
    const auto result = run(
        json::array({3, "run1.vtc", "run2.vtc", nullptr, "mask.msk", 1, 1, 16000, false, true, "maps.blm"}));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    // At 2 s per sample Left's trial is 0 0 2 2 2 0 ...: last baseline sample
    // 1, first and last plateau samples 2 and 4, so onset 1 * 2 s, width
    // 4 samples, time to peak 2 samples, each + 0.1 s. The first of the 9
    // trials starts at sample 2, so its baseline leaves index 0 out but is
    // still divided by 3: the average baseline is 26/27 of the true one and
    // the amplitudes grow by 27/26 (2 % -> 2.07692, 3 % -> 3.11538).
    const std::string right =
        " Region 3\nOnset Latency \n4.1\n4.1\n\nDuration Latency \n7.1\n8.1\n\n"
        "Time-to-Peak Latency \n3.1\n4.1\n\nPercent Signal Change \n3\n3.11538\n\n";
    const std::string left =
        " Region 1\nOnset Latency \n2.1\n2.1\n\nDuration Latency \n7.1\n8.1\n\n"
        "Time-to-Peak Latency \n3.1\n4.1\n\nPercent Signal Change \n2\n2.07692\n\n";
    const std::string text = output("AvgTrials_Results.txt");
    EXPECT_EQ(text.substr(0, left.size()), left);
    ASSERT_GE(text.size(), right.size());
    EXPECT_EQ(text.substr(text.size() - right.size()), right);
}

TEST_F(RunLengthsTest, MaskRunOverThreeRunsWritesTheRegionTable) {
    writeThreeRuns();
    const auto result = run(json::array(
        {3, "run1.vtc", "run2.vtc", "run3.vtc", nullptr, "mask.msk", 1, 1, 16000, false, true, "maps.blm"}));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_EQ(output("AvgTrials_Results.txt"), threeVtcBlock(1, "2.1", "7.1", "3.1", "2") +
                                                   threeVtcBlock(2, "2.1", "7.1", "3.1", "2") +
                                                   threeVtcBlock(3, "4.1", "7.1", "3.1", "3"));
    // Grid from 30 mm in 3 mm cells: Left is cells (0,0,0) and (1,0,0),
    // Right is cell (2,1,1).
    EXPECT_EQ(output("AvgTrials_Regions.csv"),
              "Region,VTC x,VTC y,VTC z,VMR x,VMR y,VMR z\n"
              "1,0,0,0,30,30,30\n"
              "2,1,0,0,33,30,30\n"
              "3,2,1,1,36,33,33\n");
    const auto log = pluginLog();
    const auto said = std::find(log.begin(), log.end(),
                                "VOZU Rudoruz Ori> Voxel of every region (VTC and VMR coordinates): "
                                "AvgTrials_Regions.csv");
    ASSERT_NE(said, log.end());
    // Said after the fits, before the maps are made.
    EXPECT_EQ(*(said + 1), " ");
    EXPECT_EQ(*(said + 2), "// VOZU Rudoruz Ori> Initializing the VMR space for BLMs...");
}

TEST_F(RunLengthsTest, VoxelRunOverVoisWritesTheRegionTableAndVoiRunDoesNot) {
    writeStandardStudy();
    run(standardAnswers(2));
    EXPECT_EQ(output("AvgTrials_Regions.csv"),
              "Region,VTC x,VTC y,VTC z,VMR x,VMR y,VMR z\n"
              "1,0,0,0,30,30,30\n"
              "2,1,0,0,33,30,30\n"
              "3,2,1,1,36,33,33\n");
    talvora::closeDocuments();
    talvora::HostState::instance().reset();
    std::filesystem::remove_all(outDir());
    run(standardAnswers(1));
    EXPECT_TRUE(outputExists("AvgTrials_Results.txt"));
    EXPECT_FALSE(outputExists("AvgTrials_Regions.csv"));
    for (const std::string& line : pluginLog()) EXPECT_EQ(line.find("AvgTrials_Regions"), std::string::npos);
}

TEST_F(RunLengthsTest, LaterRunOnAnotherGridStops) {
    // One cell more along x, and then the same cells from another start.
    const std::pair<int, int> xRanges[] = {{30, 45}, {33, 45}};
    for (const auto& [start, end] : xRanges) {
        writeStandardStudy();
        VtcSpec other = runOf(120);
        other.grid.xStart = start;
        other.grid.xEnd = end;
        writeVtcWithProtocol("run2", other, {{"Task", other.onsets}});
        const auto result = run(json::array({1, "run1.vtc", "run2.vtc", nullptr, 1, 1, 16000, false, true}));
        EXPECT_EQ(result.executeResults, std::vector<bool>{false});
        EXPECT_EQ(pluginLog().back(),
                  "VOZU Rudoruz Ori>  VTC n. 2 does not match the first VTC (a 4 x 4 x 2 grid of 3 mm from "
                  "(30, 30, 30) expected): " +
                      (dir() / "run2.vtc").string());
        EXPECT_FALSE(outputExists("AvgTrials_Results.txt"));
        talvora::closeDocuments();
        talvora::HostState::instance().reset();
    }
}

}  // namespace
}  // namespace latency_test
