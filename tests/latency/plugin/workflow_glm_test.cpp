// Runs on the deconvolution betas of a GLM: the questions, the validation of
// the GLM's layout, the beta plot files and the per-study blocks.

#include "latency_run_fixture.h"
#include "support/plot_file.h"

namespace latency_test {
namespace {

using nlohmann::json;

constexpr int kPoints = 17;

// Betas in percent: the standard responses sampled at lags 0 .. 16 s, and
// an artefact of 0.7 % at lag 0 in Left that a range from lag 1 leaves out.
float standardBeta(const Grid& g, int voxel, int lag, int leftDelayMs = 2000) {
    if (inLeft(g, voxel)) {
        if (lag == 0) return 0.7f;
        Response r = leftResponse();
        r.delayMs = leftDelayMs;
        return static_cast<float>(100.0 * r.at(1000.0 * lag));
    }
    if (inRight(g, voxel)) return static_cast<float>(100.0 * rightResponse().at(1000.0 * lag));
    return 0.0f;
}

class GlmRunTest : public LatencyRunTest {
protected:
    json glmDocuments() const { return {{"vmr", "anat.vmr"}, {"vois", "regions.voi"}, {"glm", "study.glm"}}; }
    void writeStandardGlm(int studies = 1, int separateOption = 0) {
        const Grid g = standardVtc().grid;
        writeGlm(dir() / "study.glm", g, kPoints, studies, separateOption,
                 [g](int study, int v, int k) { return standardBeta(g, v, k, study == 0 ? 2000 : 4000); });
    }
};

using test_support::plotFile;

TEST_F(GlmRunTest, BetaRunAsksItsOwnQuestionsAndFitsTheChosenRange) {
    writeStandardStudy();
    writeStandardGlm();
    const auto result =
        run(json::array({1, "run1.vtc", nullptr, true, 2, kPoints, true, "maps.blm"}), glmDocuments());
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    const std::vector<std::pair<std::string, std::string>> prompts = {
        {"integer", "Select VTC access mode:"},
        {"open", "Please choose VTC n.1 (cancel to stop) [*.vtc]"},
        {"open", "Please choose VTC n.2 (cancel to stop) [*.vtc]"},
        {"yesno", "Do you want to use deconvolved responses from current GLM ?"},
        {"integer", "Using deconvolved responses from current GLM. Please select the first data point:"},
        {"integer", "Using deconvolved responses from current GLM. Please select the last data point:"},
        {"yesno", "Do you want to force a return-to-baseline part?"},
        {"save", "Choose a name for the BLM file : [*.blm]"}};
    ASSERT_EQ(events().size(), prompts.size());
    for (std::size_t i = 0; i < prompts.size(); ++i) {
        EXPECT_EQ(events()[i].kind, prompts[i].first);
        EXPECT_EQ(events()[i].text.rfind(prompts[i].second, 0), 0u) << events()[i].text;
    }
    for (const char* line :
         {"VOZU Rudoruz Ori> GLM fits available ...",
          "VOZU Rudoruz Ori> GLM fits available. Using deconvolution beta values...",
          "VOZU Rudoruz Ori> Chosen Reference Condition: 1 Task",
          "VOZU Rudoruz Ori> Time window length : 16000.000 msec",
          "VOI n.: 1 Left (Deconvolution beta plots)", "VOI n.: 2 Right (Deconvolution beta plots)"})
        EXPECT_TRUE(logged(line)) << line;

    // Lag 0 lies outside the range: it shows 0, not the artefact's 0.7.
    const std::vector<std::string> left = {"0", "0", "0", "1", "2", "2", "2", "2", "2",
                                           "1", "0", "0", "0", "0", "0", "0", "0"};
    EXPECT_EQ(output("Left_VTC1_bet.dat"), plotFile(0, 255, 255, left));
    EXPECT_EQ(output("Left_VTC1_bet_fit.dat"), plotFile(255, 0, 255, left));
    EXPECT_FALSE(outputExists("Left_VTC1_sig.dat"));
    // The range starts at lag 1: onsets are one sample earlier than the trial's.
    EXPECT_EQ(output("AvgTrials_Results.txt"),
              " Region 1\nOnset Latency \n1.1\n\nDuration Latency \n7.1\n\nTime-to-Peak Latency \n3.1\n\n"
              "Percent Signal Change \n2\n\n"
              " Region 2\nOnset Latency \n3.1\n\nDuration Latency \n7.1\n\nTime-to-Peak Latency \n3.1\n\n"
              "Percent Signal Change \n3\n\n");
}

TEST_F(GlmRunTest, SeparateStudyPredictorsGiveEachVtcItsOwnBlock) {
    writeStandardStudy();
    VtcSpec second = standardVtc();
    writeVtcWithProtocol("run2", second, {{"Task", second.onsets}});
    writeStandardGlm(2, 1);
    const auto result =
        run(json::array({1, "run1.vtc", "run2.vtc", nullptr, true, 2, kPoints, true, "maps.blm"}),
            glmDocuments());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_NE(output("AvgTrials_Results.txt").find(" Region 1\nOnset Latency \n1.1\n3.1\n\n"),
              std::string::npos);
    EXPECT_TRUE(outputExists("Left_VTC2_bet.dat"));
}

TEST_F(GlmRunTest, GlmOfAnotherStudyCountIsNotUsed) {
    writeStandardStudy();
    writeStandardGlm(2, 0);
    const auto result = run(json::array({1, "run1.vtc", nullptr, true, 1, 1, 16000, false, true, "maps.blm"}),
                            glmDocuments());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> GLM format not valid. Different number of studies expected."));
    EXPECT_TRUE(outputExists("Left_VTC1_sig.dat"));
    EXPECT_NE(output("AvgTrials_Results.txt").find("Onset Latency \n2.1\n"), std::string::npos);
}

TEST_F(GlmRunTest, SeparateSubjectGlmIsNotUsed) {
    writeStandardStudy();
    writeStandardGlm(1, 2);
    const auto result = run(json::array({1, "run1.vtc", nullptr, true, 1, 1, 16000, false, true, "maps.blm"}),
                            glmDocuments());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> GLM format not valid. Separate subject option not allowed."));
    EXPECT_TRUE(logged("VOI n.: 1 Left (Average trial signal)"));
}

TEST_F(GlmRunTest, DecliningTheGlmAveragesTrials) {
    writeStandardStudy();
    writeStandardGlm();
    const auto result = run(
        json::array({1, "run1.vtc", nullptr, false, 1, 1, 16000, false, true, "maps.blm"}), glmDocuments());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_FALSE(logged("VOZU Rudoruz Ori> GLM fits available. Using deconvolution beta values..."));
    EXPECT_TRUE(outputExists("Left_VTC1_sig.dat"));
}

TEST_F(GlmRunTest, CancelledDataPointStopsWithTheIntervalMessage) {
    writeStandardStudy();
    writeStandardGlm();
    const auto result = run(json::array({1, "run1.vtc", nullptr, true, nullptr}), glmDocuments());
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    EXPECT_EQ(pluginLog().back(),
              "VOZU Rudoruz Ori> Incorrect value interval for deconvolution beta plots. Exiting plugin.");
    EXPECT_EQ(events().back().text,
              "Using deconvolved responses from current GLM. Please select the first data point:");
}

TEST_F(GlmRunTest, VoxelBetaRunFitsEveryVoxel) {
    writeStandardStudy();
    writeStandardGlm();
    const auto result =
        run(json::array({3, "run1.vtc", nullptr, true, "mask.msk", 2, kPoints, true, "maps.blm"}),
            glmDocuments());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_NE(output("AvgTrials_Results.txt").find(" Region 3\nOnset Latency \n3.1\n"), std::string::npos);
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"AvgTrials_Regions.csv", "AvgTrials_Results.txt",
                                                       "maps.blm", "talvora.log"}));
}

// A GLM without a predictor left over per study has no deconvolution point:
// it is refused by name and the run averages trials instead of reading past
// its buffers.
TEST_F(GlmRunTest, GlmWithoutDeconvolutionPointsIsRefused) {
    struct Case {
        int points, separateOption;
        const char* line;
    };
    const Case cases[] = {
        {-1, 0,
         "VOZU Rudoruz Ori> GLM format not valid. 1 predictors for 2 studies leave no deconvolution point."},
        {0, 0,
         "VOZU Rudoruz Ori> GLM format not valid. 2 predictors for 2 studies leave no deconvolution point."},
        {0, 1,
         "VOZU Rudoruz Ori> GLM format not valid. 2 predictors for 2 studies leave no deconvolution point."},
    };
    for (const Case& c : cases) {
        writeStandardStudy();
        VtcSpec second = standardVtc();
        writeVtcWithProtocol("run2", second, {{"Task", second.onsets}});
        writeGlm(dir() / "study.glm", standardVtc().grid, c.points, 2, c.separateOption,
                 [](int, int, int) { return 1.0f; });
        const auto result =
            run(json::array({1, "run1.vtc", "run2.vtc", nullptr, true, 1, 1, 16000, false, true, "maps.blm"}),
                glmDocuments());
        EXPECT_EQ(result.error, "") << c.line;
        EXPECT_EQ(result.executeResults, std::vector<bool>{true}) << c.line;
        EXPECT_TRUE(logged(c.line)) << c.line;
        EXPECT_FALSE(logged("VOI n.: 1 Left (Deconvolution beta plots)")) << c.line;
        EXPECT_TRUE(logged("VOI n.: 1 Left (Average trial signal)")) << c.line;
    }
}

// The GLM's maps are read with the grid of every VTC the run links, so a VTC
// on another grid than the open GLM is refused when linked, naming both.
TEST_F(GlmRunTest, VtcOnAnotherGridThanTheGlmIsRefused) {
    writeStandardStudy();
    Grid larger = standardVtc().grid;
    larger.xEnd += 6;
    writeGlm(dir() / "study.glm", larger, kPoints, 1, 0, [](int, int, int) { return 1.0f; });
    const auto result = run(json::array({1, "run1.vtc", nullptr, true}), glmDocuments());
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    EXPECT_EQ(pluginLog().back(), "VOZU Rudoruz Ori>  Could not get the first VTC!");
    bool named = false;
    for (const std::string& line : logLines())
        named = named || (line.rfind("Talvora> ", 0) == 0 &&
                          line.find("run1.vtc: the VTC's grid") != std::string::npos &&
                          line.find("does not match the open GLM") != std::string::npos &&
                          line.find("study.glm (resolution 3, box x 30-48") != std::string::npos);
    EXPECT_TRUE(named);
    EXPECT_FALSE(outputExists("AvgTrials_Results.txt"));
}

}  // namespace
}  // namespace latency_test
