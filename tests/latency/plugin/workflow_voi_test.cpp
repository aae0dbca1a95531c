// VOI-based runs (access mode 1) through the stand-in host: every log line,
// every prompt and every file, byte for byte, on noise-free studies whose
// trapezoids the fit recovers exactly.

#include <cmath>

#include "latency_run_fixture.h"
#include "support/plot_file.h"

namespace latency_test {
namespace {

using nlohmann::json;

using test_support::plotFile;

const std::vector<std::string> kStandardLog = {
    " ",
    " ",
    "VOZU Rudoruz Ori> Starting VOZU Rudoruz Ori plugin ...",
    "VOZU Rudoruz Ori> Accessing VTC n. 1: @/run1.vtc",
    "VOZU Rudoruz Ori> Total number of linked VTCs : 1",
    "VOZU Rudoruz Ori> GLM fits not available ...",
    "VOZU Rudoruz Ori>  Number of VOIs defined: 2",
    "VOZU Rudoruz Ori>  Number of selected VMR voxels: 81",
    "VOZU Rudoruz Ori>  Number of masked voxels in the VTC: 3",
    "VOZU Rudoruz Ori> Accessing protocol information ...",
    "VOZU Rudoruz Ori> List of protocol conditions attached the first VTC file:",
    "VOZU Rudoruz Ori> Condition n.1 : Task",
    "VOZU Rudoruz Ori> Condition n.2 : Rest",
    "VOZU Rudoruz Ori> Chosen Reference Condition: 1 Task",
    "VOZU Rudoruz Ori> Time window length : 16000.000 msec",
    "VOZU Rudoruz Ori> Accessing data and estimating trials from VTC n. 1 ...",
    "VOZU Rudoruz Ori>>>  Bad fits (average-trial) : 0 %",
    "       ",
    "VOI n.: 1 Left (Average trial signal)",
    "\t\tOnset delay [sec]: 2.100000",
    "\t\tWidth [sec]: 7.100000",
    "\t\tTime-to-peak [sec]: 3.100000",
    "\t\tAmplitude [psc]   : 2.000000",
    "       ",
    "       ",
    "VOI n.: 2 Right (Average trial signal)",
    "\t\tOnset delay [sec]: 4.100000",
    "\t\tWidth [sec]: 7.100000",
    "\t\tTime-to-peak [sec]: 3.100000",
    "\t\tAmplitude [psc]   : 3.000000",
    "       ",
    " ",
    "// VOZU Rudoruz Ori> Initializing the VMR space for BLMs...",
    "// VOZU Rudoruz Ori> Done. Now, you can overlay the BLM maps.",
};

std::vector<std::string> withFolder(std::vector<std::string> lines, const std::string& folder) {
    for (std::string& line : lines) {
        const auto at = line.find('@');
        if (at != std::string::npos) line.replace(at, 1, folder);
    }
    return lines;
}

struct Prompt {
    std::string kind, text, answer;
};

void expectPrompts(const std::vector<talvora::DialogEvent>& events, const std::vector<Prompt>& expected) {
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(events[i].kind, expected[i].kind) << i;
        EXPECT_EQ(events[i].text, expected[i].text) << i;
        EXPECT_EQ(events[i].answer, expected[i].answer) << i;
    }
}

const char* const kAccessModePrompt =
    "Select VTC access mode:\n\n 1 = VOI-based access using current VOI info\n"
    " 2 = Voxel-based using current VOI info\n 3 = Voxel-based using VTC mask file";

TEST_F(LatencyRunTest, VoiRunLogsPromptsAndWritesEveryFileExactly) {
    writeStandardStudy();
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_EQ(pluginLog(), withFolder(kStandardLog, dir().string()));
    expectPrompts(events(), {{"integer", kAccessModePrompt, "1"},
                             {"open", "Please choose VTC n.1 (cancel to stop) [*.vtc]", "run1.vtc"},
                             {"open", "Please choose VTC n.2 (cancel to stop) [*.vtc]", "cancel"},
                             {"integer", "Enter protocol condition:", "1"},
                             {"integer", "Enter an integer interpolation factor (1=no interpolation):", "1"},
                             {"float", "Enter event-related time window for processing (in msec):", "16000"},
                             {"yesno", "Do you want to perform single-trial-based analysis ?", "no"},
                             {"yesno", "Do you want to force a return-to-baseline part?", "yes"},
                             {"save", "Choose a name for the BLM file : [*.blm]", "maps.blm"}});
    EXPECT_EQ(talvora::HostState::instance().busyDepth, 0);

    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"AvgTrials_Results.txt", "Left_VTC1_sig.dat",
                                                       "Left_VTC1_sig_fit.dat", "Right_VTC1_sig.dat",
                                                       "Right_VTC1_sig_fit.dat", "maps.blm", "talvora.log"}));
    EXPECT_EQ(output("Left_VTC1_sig.dat"), plotFile(0, 255, 0, kLeftPercent));
    EXPECT_EQ(output("Left_VTC1_sig_fit.dat"), plotFile(255, 0, 0, kLeftPercent));
    EXPECT_EQ(output("Right_VTC1_sig.dat"), plotFile(0, 255, 0,
                                                     {"0", "0", "0", "0", "0", "1.5", "3", "3", "3", "3", "3",
                                                      "1.5", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(output("AvgTrials_Results.txt"),
              " Region 1\nOnset Latency \n2.1\n\nDuration Latency \n7.1\n\nTime-to-Peak Latency \n3.1\n\n"
              "Percent Signal Change \n2\n\n"
              " Region 2\nOnset Latency \n4.1\n\nDuration Latency \n7.1\n\nTime-to-Peak Latency \n3.1\n\n"
              "Percent Signal Change \n3\n\n");
}

TEST_F(LatencyRunTest, VoiRunFillsFourMapsPerVoiWithRunningThresholds) {
    writeStandardStudy();
    run(standardAnswers());
    talvora::MapSet* set = maps();
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->maps.size(), 4u);
    const Grid g = standardVtc().grid;
    const char* names[] = {"Onset (secs)", "Duration (secs)", "Time-to-peak (secs)", "Amplitude (psc)"};
    const float left[] = {2.1f, 7.1f, 3.1f, 2.0f};
    const float right[] = {4.1f, 7.1f, 3.1f, 3.0f};
    // Thresholds run on from map to map: the first selected voxel (Left)
    // resets them, every positive value widens them.
    const float lower[] = {2.1f, 7.1f, 3.1f, 2.0f};
    const float upper[] = {4.1f, 7.1f, 3.1f, 3.0f};
    for (int m = 0; m < 4; ++m) {
        const talvora::MapSlot& slot = *set->maps[static_cast<std::size_t>(m)];
        EXPECT_STREQ(slot.name, names[m]);
        EXPECT_EQ(slot.settings.mapType, 10);
        EXPECT_FLOAT_EQ(slot.settings.lowerThreshold, lower[m]) << m;
        EXPECT_FLOAT_EQ(slot.settings.upperThreshold, upper[m]) << m;
        for (int v = 0; v < g.voxelCount(); ++v) {
            const float expected = inLeft(g, v) ? left[m] : inRight(g, v) ? right[m] : 0.0f;
            EXPECT_FLOAT_EQ(slot.values[static_cast<std::size_t>(v)], expected) << m << " " << v;
        }
    }
    EXPECT_TRUE(outputExists("maps.blm"));
}

TEST_F(LatencyRunTest, CancelledBlmDialogKeepsTheMapsAndWritesNoFile) {
    writeStandardStudy();
    json answers = standardAnswers();
    answers.back() = nullptr;
    const auto result = run(answers);
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    ASSERT_NE(maps(), nullptr);
    EXPECT_EQ(maps()->maps.size(), 4u);
    EXPECT_FALSE(outputExists("maps.blm"));
    EXPECT_EQ(pluginLog().back(), "// VOZU Rudoruz Ori> Done. Now, you can overlay the BLM maps.");
}

TEST_F(LatencyRunTest, TwoVtcsGiveOneValuePerVtcAndTheirMean) {
    writeStandardStudy();
    // The second run: Left answers 2 s later (and a bad fit for Right: no response).
    VtcSpec second = standardVtc();
    const Grid g = second.grid;
    second.responseOf = [g](int v) -> std::optional<Response> {
        if (!inLeft(g, v)) return std::nullopt;
        Response r = leftResponse();
        r.delayMs = 4000;
        return r;
    };
    writeVtcWithProtocol("run2", second, {{"Task", second.onsets}, {"Rest", {14000}}});
    const auto result =
        run(json::array({1, "run1.vtc", "run2.vtc", nullptr, 1, 1, 16000, false, true, "maps.blm"}));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_EQ(output("AvgTrials_Results.txt"),
              " Region 1\nOnset Latency \n2.1\n4.1\n\nDuration Latency \n7.1\n7.1\n\n"
              "Time-to-Peak Latency \n3.1\n3.1\n\nPercent Signal Change \n2\n2\n\n"
              " Region 2\nOnset Latency \n4.1\n-1\n\nDuration Latency \n7.1\n-1\n\n"
              "Time-to-Peak Latency \n3.1\n-1\n\nPercent Signal Change \n3\n-1\n\n");
    const auto log = pluginLog();
    // A bad fit does not count in the mean.
    EXPECT_NE(std::find(log.begin(), log.end(), "\t\tOnset delay [sec]: 3.100000"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "\t\tOnset delay [sec]: 4.100000"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "VOZU Rudoruz Ori>>>  Bad fits (average-trial) : 50 %"),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "VOZU Rudoruz Ori>>> Bad fit warning: too low SNR or too short time window. "
                        "Try to increase thresholds or windows."),
              log.end());
    EXPECT_TRUE(outputExists("Left_VTC2_sig.dat"));
    EXPECT_TRUE(outputExists("Right_VTC2_sig_fit.dat"));
    // The questions are asked once, on the first VTC.
    int conditionPrompts = 0;
    for (const auto& e : events()) conditionPrompts += e.text == "Enter protocol condition:";
    EXPECT_EQ(conditionPrompts, 1);
}

TEST_F(LatencyRunTest, OverlappingVoisGiveTheSharedCellToTheLaterVoi) {
    writeStandardStudy();
    const Grid g = standardVtc().grid;
    // "Both" covers Left's two cells; "Second" takes cell (1,0,0) again.
    std::vector<std::int32_t> both = cellVoxels(g, 0, 0, 0);
    const auto cell1 = cellVoxels(g, 1, 0, 0);
    both.insert(both.end(), cell1.begin(), cell1.end());
    writeVois(dir() / "regions.voi", {{"Both", both}, {"Second", cell1}});
    run(standardAnswers());
    const auto log = pluginLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "VOZU Rudoruz Ori>  Number of selected VMR voxels: 81"),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "VOZU Rudoruz Ori>  Number of masked voxels in the VTC: 2"),
              log.end());
    const auto& onset = maps()->maps[0]->values;
    EXPECT_FLOAT_EQ(onset[static_cast<std::size_t>(g.index(0, 0, 0))], 2.1f);
    EXPECT_FLOAT_EQ(onset[static_cast<std::size_t>(g.index(1, 0, 0))], 2.1f);
    // Each VOI is the plain mean over the VTC voxels it owns: one voxel each.
    EXPECT_TRUE(outputExists("Both_VTC1_sig.dat"));
    EXPECT_TRUE(outputExists("Second_VTC1_sig.dat"));
}

TEST_F(LatencyRunTest, ReferenceConventionVoisLandInTheSameCells) {
    writeStandardStudy();
    const Grid g = standardVtc().grid;
    // Stored as (128 - z, 128 - x, 128 - y).
    const auto toReference = [](std::vector<std::int32_t> c) {
        for (std::size_t i = 0; i < c.size(); i += 3) {
            const std::int32_t x = c[i], y = c[i + 1], z = c[i + 2];
            c[i] = 128 - z;
            c[i + 1] = 128 - x;
            c[i + 2] = 128 - y;
        }
        return c;
    };
    writeVois(dir() / "regions.voi", {{"Right", toReference(cellVoxels(g, 2, 1, 1))}}, 3);
    run(standardAnswers());
    EXPECT_NE(output("AvgTrials_Results.txt").find("Onset Latency \n4.1\n"), std::string::npos);
}

TEST_F(LatencyRunTest, LastTrialTooCloseToTheEndIsSkipped) {
    VtcSpec spec = standardVtc();
    spec.volumes = 79;  // 79 s - 64 s = 15 s < 16 s
    writeStandardStudy(spec);
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    const auto log = pluginLog();
    const auto skipped =
        std::find(log.begin(), log.end(), "VOZU Rudoruz Ori> Exceeding the time-series: last trial skipped.");
    ASSERT_NE(skipped, log.end());
    EXPECT_EQ(*(skipped + 1), "VOZU Rudoruz Ori> Accessing data and estimating trials from VTC n. 1 ...");
    EXPECT_NE(output("AvgTrials_Results.txt").find("Onset Latency \n2.1\n"), std::string::npos);
}

TEST_F(LatencyRunTest, InterpolationIsAskedAgainAndDecliningFallsBackToFactorOne) {
    writeStandardStudy();
    json answers = json::array({1, "run1.vtc", nullptr, 1, 2, 16000, false, false, true, "maps.blm"});
    run(answers);
    const auto& e = events();
    ASSERT_GE(e.size(), 8u);
    EXPECT_EQ(e[7].text,
              "Interpolation before fitting improves temporal resolution but also increases computional "
              "times. Do you want to apply anyway?");
    // Factor 1 after all: the same exact fit as without interpolation.
    EXPECT_EQ(output("Left_VTC1_sig.dat"), plotFile(0, 255, 0, kLeftPercent));
}

TEST_F(LatencyRunTest, InterpolationByTwoHalvesTheSamplingStep) {
    writeStandardStudy();
    run(json::array({1, "run1.vtc", nullptr, 1, 2, 16000, false, true, true, "maps.blm"}));
    // 16 s at 0.5 s: 33 samples, 35 rows with the two leading zero rows.
    EXPECT_NE(output("Left_VTC1_sig.dat").find("NrOfCurveDataPoints 35\n"), std::string::npos);
    // The spline overshoots a little around the corners, but the breakpoints
    // stay on the 0.5 s grid near the true ones.
    const std::string results = output("AvgTrials_Results.txt");
    const float onset = std::stof(results.substr(results.find("Onset Latency \n") + 15));
    EXPECT_NEAR(onset, 2.1f, 0.5f);
}

TEST_F(LatencyRunTest, WithoutReturnToBaselineTheUserIsWarnedAboutDuration) {
    writeStandardStudy();
    json answers = standardAnswers();
    answers[7] = false;
    run(answers);
    bool warned = false;
    for (const auto& e : events())
        warned = warned || (e.kind == "message" && e.text == "Duration latency not usable.");
    EXPECT_TRUE(warned);
    // Time to peak runs to the end of the plateau: (8 - 2 + 1) s + 0.1 s.
    EXPECT_NE(output("AvgTrials_Results.txt").find("Time-to-Peak Latency \n7.1\n"), std::string::npos);
}

TEST_F(LatencyRunTest, IntegerVtcDataGiveTheSameResults) {
    VtcSpec spec = standardVtc();
    spec.floatData = false;
    writeStandardStudy(spec);
    run(standardAnswers());
    EXPECT_EQ(output("Left_VTC1_sig.dat"), plotFile(0, 255, 0, kLeftPercent));
}

}  // namespace
}  // namespace latency_test
