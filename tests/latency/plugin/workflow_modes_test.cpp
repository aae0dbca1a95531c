// Voxel-based runs (access modes 2 and 3) and single-trial runs through the
// stand-in host, on noise-free studies with exactly recoverable responses.

#include <cmath>

#include "latency_run_fixture.h"

namespace latency_test {
namespace {

using nlohmann::json;

std::string measuresBlock(int region, const std::vector<std::string>& onset,
                          const std::vector<std::string>& width, const std::vector<std::string>& peak,
                          const std::vector<std::string>& amplitude) {
    std::string text = " Region " + std::to_string(region) + "\n";
    const std::pair<const char*, const std::vector<std::string>*> blocks[] = {
        {"Onset Latency \n", &onset},
        {"Duration Latency \n", &width},
        {"Time-to-Peak Latency \n", &peak},
        {"Percent Signal Change \n", &amplitude}};
    for (const auto& [title, values] : blocks) {
        text += title;
        for (const std::string& v : *values) text += v + "\n";
        text += "\n";
    }
    return text;
}

const std::string kLeftBlock1 = measuresBlock(1, {"2.1"}, {"7.1"}, {"3.1"}, {"2"});
const std::string kLeftBlock2 = measuresBlock(2, {"2.1"}, {"7.1"}, {"3.1"}, {"2"});

TEST_F(LatencyRunTest, MaskRunFitsEveryMaskedVoxelInLinearOrder) {
    writeStandardStudy();
    const auto result = run(standardAnswers(3));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_EQ(events()[3].text, "Choose the mask file : [*.msk]");
    EXPECT_TRUE(logged("VOZU Rudoruz Ori>  Number of masked voxels in the VTC: 3"));
    // No VOI summary in the log, no plot files: only the results and the maps.
    EXPECT_FALSE(logged("       "));
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"AvgTrials_Regions.csv", "AvgTrials_Results.txt",
                                                       "maps.blm", "talvora.log"}));
    EXPECT_EQ(output("AvgTrials_Results.txt"),
              kLeftBlock1 + kLeftBlock2 + measuresBlock(3, {"4.1"}, {"7.1"}, {"3.1"}, {"3"}));
    const Grid g = standardVtc().grid;
    const auto& amplitude = maps()->maps[3]->values;
    EXPECT_FLOAT_EQ(amplitude[static_cast<std::size_t>(g.index(1, 0, 0))], 2.0f);
    EXPECT_FLOAT_EQ(amplitude[static_cast<std::size_t>(g.index(2, 1, 1))], 3.0f);
    EXPECT_EQ(amplitude[static_cast<std::size_t>(g.index(3, 3, 1))], 0.0f);
}

TEST_F(LatencyRunTest, FlatMaskedVoxelsAreBadFitsWithMinusOneInFilesAndMaps) {
    writeStandardStudy();
    const Grid g = standardVtc().grid;
    writeMask(dir() / "mask.msk", g, [g](int v) { return inRight(g, v) || v == g.index(3, 3, 1); });
    run(standardAnswers(3));
    EXPECT_TRUE(logged("VOZU Rudoruz Ori>>>  Bad fits (average-trial) : 50 %"));
    EXPECT_EQ(output("AvgTrials_Results.txt"), measuresBlock(1, {"4.1"}, {"7.1"}, {"3.1"}, {"3"}) +
                                                   measuresBlock(2, {"-1"}, {"-1"}, {"-1"}, {"-1"}));
    const auto& onset = maps()->maps[0]->values;
    EXPECT_EQ(onset[static_cast<std::size_t>(g.index(3, 3, 1))], -1.0f);
    EXPECT_EQ(onset[static_cast<std::size_t>(g.index(0, 0, 0))], 0.0f);
    EXPECT_FLOAT_EQ(maps()->maps[0]->settings.lowerThreshold, 4.1f);
    EXPECT_FLOAT_EQ(maps()->maps[0]->settings.upperThreshold, 4.1f);
}

TEST_F(LatencyRunTest, MaskThatDoesNotLoadEndsTheRunAsDone) {
    writeStandardStudy();
    json answers = json::array({3, "run1.vtc", nullptr, "missing.msk"});
    const auto result = run(answers);
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_EQ(pluginLog().back(), "VOZU Rudoruz Ori> Mask not valid! Exiting plugin...");
    EXPECT_EQ(events().size(), 4u);
}

TEST_F(LatencyRunTest, EmptyMaskCountsAsInvalid) {
    writeStandardStudy();
    writeMask(dir() / "mask.msk", standardVtc().grid, [](int) { return false; });
    const auto result = run(json::array({3, "run1.vtc", nullptr, "mask.msk"}));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    const auto log = pluginLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "VOZU Rudoruz Ori>  Number of masked voxels in the VTC: 0");
    EXPECT_EQ(log.back(), "VOZU Rudoruz Ori> Mask not valid! Exiting plugin...");
}

TEST_F(LatencyRunTest, VoxelRunOverOneVoiWritesEveryVoxelsAverageTrial) {
    writeStandardStudy();
    const Grid g = standardVtc().grid;
    std::vector<std::int32_t> left = cellVoxels(g, 0, 0, 0);
    const auto cell1 = cellVoxels(g, 1, 0, 0);
    left.insert(left.end(), cell1.begin(), cell1.end());
    writeVois(dir() / "regions.voi", {{"Left", left}});
    const auto result = run(standardAnswers(2));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    std::string expected;
    for (int voxel = 1; voxel <= 2; ++voxel) {
        expected += "VTC n.1 Voxel n." + std::to_string(voxel) + "\n";
        for (const std::string& p : kLeftPercent) expected += p + "\n";
    }
    EXPECT_EQ(output("AllVoxelTrials_VTC1.txt"), expected);
    EXPECT_EQ(output("AvgTrials_Results.txt"), kLeftBlock1 + kLeftBlock2);
    EXPECT_FALSE(outputExists("Left_VTC1_sig.dat"));
}

TEST_F(LatencyRunTest, VoxelRunOverTwoVoisWritesNoVoxelTrials) {
    writeStandardStudy();
    run(standardAnswers(2));
    EXPECT_FALSE(outputExists("AllVoxelTrials_VTC1.txt"));
    EXPECT_EQ(output("AvgTrials_Results.txt"),
              kLeftBlock1 + kLeftBlock2 + measuresBlock(3, {"4.1"}, {"7.1"}, {"3.1"}, {"3"}));
}

json singleTrialAnswers(int accessMode) {
    json answers = json::array({accessMode, "run1.vtc", nullptr});
    if (accessMode == 3) answers.push_back("mask.msk");
    for (const json& a : json::array({1, 1, 16000, true, 0.05, true, "maps.blm"})) answers.push_back(a);
    return answers;
}

TEST_F(LatencyRunTest, SingleTrialVoiRunLogsEveryTrialAndWritesTheTrialFiles) {
    writeStandardStudy();
    const auto result = run(singleTrialAnswers(1));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    const auto& e = events();
    ASSERT_EQ(e.size(), 10u);
    EXPECT_EQ(e[6].text, "Do you want to perform single-trial-based analysis ?");
    EXPECT_EQ(e[7].kind, "float");
    EXPECT_EQ(e[7].text, "Please enter confidence level for single-trial latency estimation:");
    EXPECT_EQ(e[8].text, "Do you want to force a return-to-baseline part?");

    const auto log = pluginLog();
    const auto accessing = std::find(
        log.begin(), log.end(), "VOZU Rudoruz Ori> Accessing data and estimating trials from VTC n. 1 ...");
    ASSERT_NE(accessing, log.end());
    std::vector<std::string> expected;
    for (const char* voi : {"Left", "Right"})
        for (int t = 1; t <= 4; ++t)
            expected.push_back("VOZU Rudoruz Ori>>> Fitting trial n." + std::to_string(t) +
                               " for VOI : " + voi);
    expected.push_back("VOZU Rudoruz Ori>>>  Bad fits (average-trial) : 0 %");
    expected.push_back("VOZU Rudoruz Ori>>>  Bad fits (single-trial): 0 %");
    expected.insert(
        expected.end(),
        {"       ", "VOI n.: 1 Left (Average trial signal)", "\t\tOnset delay [sec]: 2.100000",
         "\t\tWidth [sec]: 7.100000", "\t\tTime-to-peak [sec]: 3.100000", "\t\tAmplitude [psc]   : 2.000000",
         "       ", "       ", "Single-trial (mean and 0.050000 % statistical confidence) :",
         "\t\tOnset delay [sec]: 2.100000 (\xC2\xB1"
         "0.000000)",
         "\t\tWidth (duration) [sec]: 7.100000 (\xC2\xB1"
         "0.000000)",
         "\t\tTime-to-peak [sec]: 3.100000 (\xC2\xB1"
         "0.000000)",
         "\t\tAmplitude [psc]   : 2.000000 (\xC2\xB1"
         "0.000000)",
         "       "});
    ASSERT_GE(log.end() - accessing, static_cast<long>(expected.size()) + 1);
    EXPECT_EQ(std::vector<std::string>(accessing + 1, accessing + 1 + static_cast<long>(expected.size())),
              expected);

    std::string table =
        "VTC n.1 : " + (dir() / "run1.vtc").string() + "\nOnset Duration Time-to-peak Amplitude\n";
    for (int t = 0; t < 4; ++t) table += "2.1 7.1 3.1 2\n";
    EXPECT_EQ(output("Left_VTC1.txt"), table);
    std::string curves;
    for (const char* voi : {"Left", "Right"})
        for (int t = 1; t <= 4; ++t) {
            curves += std::string("VTC n.1 VOI : ") + voi + " Trial n." + std::to_string(t) + "\n";
            const std::vector<std::string> percent =
                std::string(voi) == "Left"
                    ? kLeftPercent
                    : std::vector<std::string>{"0", "0", "0",   "0", "0", "1.5", "3", "3", "3",
                                               "3", "3", "1.5", "0", "0", "0",   "0", "0"};
            for (const std::string& p : percent) curves += p + " " + p + "\n";
        }
    EXPECT_EQ(output("AllSingleTrials_VTC1.txt"), curves);

    talvora::MapSet* set = maps();
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->maps.size(), 8u);
    const char* names[] = {"Onset (single-trial)", "Width (single-trial)", "Time-to-peak (single-trial)",
                           "Amplitude (single-trial)"};
    const float left[] = {2.1f, 7.1f, 3.1f, 2.0f};
    const Grid g = standardVtc().grid;
    for (int m = 0; m < 4; ++m) {
        EXPECT_STREQ(set->maps[static_cast<std::size_t>(4 + m)]->name, names[m]);
        EXPECT_FLOAT_EQ(
            set->maps[static_cast<std::size_t>(4 + m)]->values[static_cast<std::size_t>(g.index(0, 0, 0))],
            left[m]);
    }
}

TEST_F(LatencyRunTest, SingleTrialMaskRunFitsTrialsSilently) {
    writeStandardStudy();
    const auto result = run(singleTrialAnswers(3));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    for (const std::string& line : pluginLog()) EXPECT_EQ(line.find("Fitting trial"), std::string::npos);
    EXPECT_TRUE(logged("VOZU Rudoruz Ori>>>  Bad fits (single-trial): 0 %"));
    EXPECT_EQ(maps()->maps.size(), 8u);
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"AvgTrials_Regions.csv", "AvgTrials_Results.txt",
                                                       "maps.blm", "talvora.log"}));
}

TEST_F(LatencyRunTest, SingleTrialSpreadUsesTheStudentT) {
    // Left's amplitude grows from trial to trial: 1, 2, 3, 4 %. The trials do
    // not overlap, so each trial's fit is exact.
    VtcSpec spec = standardVtc();
    spec.trialScale = {0.5f, 1.0f, 1.5f, 2.0f};
    writeStandardStudy(spec);
    run(singleTrialAnswers(1));
    EXPECT_NE(output("Left_VTC1.txt").find("2.1 7.1 3.1 1\n2.1 7.1 3.1 2\n2.1 7.1 3.1 3\n2.1 7.1 3.1 4\n"),
              std::string::npos);
    // Mean 2.5 %, squared standard error (5/3) / 4. Confidence 0.05 asks the
    // t whose two-sided tail is 0.025: 3.4954 for 4 df (published tables).
    bool found = false;
    for (const std::string& line : pluginLog()) {
        if (line.rfind("\t\tAmplitude [psc]   : 2.500000 (\xC2\xB1", 0) != 0) continue;
        const float half = std::stof(line.substr(line.find("\xC2\xB1") + 2));
        EXPECT_NEAR(half, 3.4954f * std::sqrt(5.0f / 12.0f), 0.01f);
        found = true;
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace latency_test
