#include "bids/app/runner.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "bids/derivatives/naming.h"
#include "small_dataset.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using namespace bids::app;

namespace {

struct RunnerTest : ::testing::Test {
    test_support::TempFolder folder;
    Options options;
    std::ostringstream out, err;
    void SetUp() override {
        bids_test::writeSmallDataset(folder / "bids");
        options.bidsDir = folder / "bids";
        options.outputDir = folder / "out";
        options.level = "participant";
        options.analysis = "latency";
        options.workDir = folder / "work";
    }
};

// A stand-in analysis: writes one derivative per run, fails for sub-01.
void fakeLatency(const ParticipantJob& job) {
    job.step("converting the runs");
    if (job.label == "01")
        throw std::runtime_error("sub-01/func/x_bold.nii.gz: a run of 3 volumes is too short");
    for (const auto& run :
         job.plan.dataset.find(job.label, "bold", bids::layout::imageExtensions(), job.plan.task)) {
        const auto path = bids::derivatives::derivativePath(job.writer.output(), run.name, "func",
                                                            {{{"desc", "latency"}}, "timeseries", ".tsv"});
        job.writer.writeText(path, "onset\n1\n");
    }
}

}  // namespace

TEST_F(RunnerTest, OneParticipantFailsTheOthersFinish) {
    Analyses analyses;
    analyses.participant["latency"] = fakeLatency;
    EXPECT_EQ(runApp(options, analyses, out, err), kParticipantsFailed);
    EXPECT_TRUE(fs::exists(folder / "out/sub-02/func/sub-02_task-motor_run-1_desc-latency_timeseries.tsv"));
    EXPECT_FALSE(fs::exists(folder / "out/sub-01"));
    EXPECT_EQ(err.str(),
              "talvora-bids: 1 of 2 failed:\n"
              "  sub-01: sub-01/func/x_bold.nii.gz: a run of 3 volumes is too short\n");
    // Every step names the participant, the analysis and the time since the start.
    const std::regex line(R"(talvora-bids: (sub-0[12]|group) latency: [^\n]+ \[elapsed [0-9]+\.[0-9] s\])");
    std::istringstream lines(out.str());
    std::vector<std::string> steps;
    for (std::string text; std::getline(lines, text);) {
        if (text.rfind("talvora-bids: done", 0) == 0) continue;
        EXPECT_TRUE(std::regex_match(text, line)) << text;
        steps.push_back(text.substr(0, text.find(" [elapsed")));
    }
    EXPECT_EQ(
        steps,
        (std::vector<std::string>{
            "talvora-bids: sub-01 latency: started", "talvora-bids: sub-01 latency: converting the runs",
            "talvora-bids: sub-01 latency: failed", "talvora-bids: sub-02 latency: started",
            "talvora-bids: sub-02 latency: converting the runs", "talvora-bids: sub-02 latency: finished"}));
    EXPECT_TRUE(fs::is_directory(folder / "work/sub-02/latency"));
}

TEST_F(RunnerTest, AllFinishedIsSuccess) {
    Analyses analyses;
    analyses.participant["latency"] = fakeLatency;
    options.participantLabels = {"02"};
    EXPECT_EQ(runApp(options, analyses, out, err), kSuccess);
    EXPECT_EQ(err.str(), "");
    EXPECT_TRUE(std::regex_search(
        out.str(), std::regex(R"(talvora-bids: done, 1 of 1 finished \[elapsed [0-9.]+ s\]\n$)")))
        << out.str();
}

TEST_F(RunnerTest, AnAnalysisThisBuildLacksIsBadInputWithNothingWritten) {
    EXPECT_EQ(runApp(options, Analyses{}, out, err), kBadInput);
    EXPECT_EQ(err.str(),
              "talvora-bids: the latency analysis does not run at the participant level in this version\n");
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(RunnerTest, GroupLevelFindsParticipantsWithResults) {
    Analyses analyses;
    analyses.participant["latency"] = fakeLatency;
    std::vector<std::string> seen;
    analyses.group["latency"] = [&](const GroupJob& job) { seen = job.participants; };
    options.level = "group";
    EXPECT_EQ(runApp(options, analyses, out, err), kBadInput);
    EXPECT_EQ(err.str(), "talvora-bids: " + (folder / "out").string() +
                             " holds no participant's latency results; run the participant level first\n");
    options.level = "participant";
    runApp(options, analyses, out, err);
    options.level = "group";
    err.str("");
    EXPECT_EQ(runApp(options, analyses, out, err), kSuccess) << err.str();
    EXPECT_EQ(seen, std::vector<std::string>{"02"});
    EXPECT_EQ(participantsWithResults(folder / "out", "granger"), std::vector<std::string>{});
    options.participantLabels = {"01"};
    EXPECT_EQ(runApp(options, analyses, out, err), kBadInput);
}

TEST_F(RunnerTest, ARunWithoutEventsFailsItsParticipantOnly) {
    fs::remove(folder / "bids/sub-01/func/sub-01_task-motor_run-1_events.tsv");
    Analyses analyses;
    std::vector<std::string> ran;
    analyses.participant["latency"] = [&](const ParticipantJob& job) {
        ran.push_back(job.label);
        ASSERT_EQ(job.runs.size(), 1u);
        ASSERT_TRUE(job.runs[0].events);
        EXPECT_EQ(job.runs[0].events->relative, fs::path("sub-02/func/sub-02_task-motor_run-1_events.tsv"));
        EXPECT_EQ(job.runs[0].metadata["RepetitionTime"], 2.0);
    };
    EXPECT_EQ(runApp(options, analyses, out, err), kParticipantsFailed);
    EXPECT_EQ(ran, std::vector<std::string>{"02"});
    EXPECT_EQ(err.str(),
              "talvora-bids: 1 of 2 failed:\n  sub-01: " +
                  (folder / "bids/sub-01/func/sub-01_task-motor_run-1_bold.nii.gz").string() +
                  ": no events file (sub-01_task-motor_run-1_events.tsv beside it or above it); the "
                  "latency analysis needs the task's events\n");
    // The distortion analysis needs no events.
    options.analysis = "distortion";
    analyses.participant["distortion"] = [](const ParticipantJob&) {};
    err.str("");
    EXPECT_EQ(runApp(options, analyses, out, err), kSuccess) << err.str();
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(RunnerTest, AParticipantWithoutRunsOfTheTaskFails) {
    fs::remove(folder / "bids/sub-02/func/sub-02_task-motor_run-1_bold.nii.gz");
    Analyses analyses;
    analyses.participant["latency"] = [](const ParticipantJob&) {};
    EXPECT_EQ(runApp(options, analyses, out, err), kParticipantsFailed);
    EXPECT_EQ(err.str(), "talvora-bids: 1 of 2 failed:\n  sub-02: " + (folder / "bids/sub-02").string() +
                             " has no BOLD run of task motor\n");
}
