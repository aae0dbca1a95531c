// A run's exit status and last line tell the truth about its outcome: result
// or map files that could not be written, a log file cut short, a run that
// computed nothing, and a job whose answers did not fit.
#include "support/run_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace {
namespace fs = std::filesystem;
using nlohmann::json;

using test_support::contains;
using test_support::Outcome;
using test_support::shell;

// One generated study per test (two VTCs, three VOIs), and its VOI-based job
// rewritten as needed.
class RunOutcome : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("talvora_outcome_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        const Outcome made = shell(std::string(MAKE_STUDY) + " --out " + dir_.string() + " --snr 0");
        ASSERT_EQ(made.status, 0) << made.output;
        std::ifstream in(dir_ / "job_mode1.json");
        job_ = json::parse(in);
        fs::create_directories(out());
    }
    fs::path out() const { return dir_ / "out_mode1"; }
    Outcome run(const std::function<void(json&)>& change = {}) {
        json job = job_;
        if (change) change(job);
        std::ofstream(dir_ / "job.json") << job.dump(2);
        return shell(std::string(TALVORA_EXE) + " run " + (dir_ / "job.json").string() + " --plugins-dir " +
                     PLUGINS_DIR);
    }
    std::string jobPath() const { return (dir_ / "job.json").string(); }

    fs::path dir_;
    json job_;
};

TEST_F(RunOutcome, CompleteRunExitsZero) {
    const Outcome out = run();
    EXPECT_EQ(out.status, 0) << out.output;
    EXPECT_EQ(out.lastLine(), "talvora: execute 1 returned true");
}

// Result files that cannot be put in place (a folder of that name) or
// written (a full disk) make the run fail, and the last line names them.
TEST_F(RunOutcome, UnwrittenResultAndMapFilesAreNamedLast) {
    fs::create_directories(out() / "AvgTrials_Results.txt");
    fs::create_symlink("/dev/full", out() / "Region2_VTC1_sig.dat.part");
    fs::create_directories(out() / "latency_mode1.blm");
    const Outcome out = run();
    EXPECT_EQ(out.status, 4) << out.output;
    // The plug-in's own lines stay as they are.
    EXPECT_TRUE(contains(out.output, "VOZU Rudoruz Ori> Cannot write file: AvgTrials_Results.txt"))
        << out.output;
    EXPECT_TRUE(contains(out.output, "VOZU Rudoruz Ori> Cannot write file: Region2_VTC1_sig.dat"))
        << out.output;
    const std::string o = this->out().string();
    EXPECT_EQ(out.lastLine(), "talvora: " + jobPath() + ": 3 result file(s) could not be written: " + o +
                                  "/Region2_VTC1_sig.dat, " + o + "/AvgTrials_Results.txt, " + o +
                                  "/latency_mode1.blm");
    EXPECT_TRUE(fs::exists(this->out() / "Region1_VTC1_sig.dat"));
    EXPECT_FALSE(fs::exists(this->out() / "Region2_VTC1_sig.dat"));
}

TEST_F(RunOutcome, LogFileOnAFullDiskIsReported) {
    const Outcome out = run([](json& job) { job["log_file"] = "/dev/full"; });
    EXPECT_EQ(out.status, 4) << out.output;
    EXPECT_TRUE(
        contains(out.lastLine(), "talvora: /dev/full: the log file could not be written completely (0 of "))
        << out.output;
    // The results themselves are complete.
    EXPECT_TRUE(fs::exists(this->out() / "AvgTrials_Results.txt"));
}

// The plug-in ends "successfully" without a result: the host says so.
TEST_F(RunOutcome, RunsThatComputeNothingSaySo) {
    std::ofstream(dir_ / "cut.vtc") << "cut";
    struct Case {
        const char* name;
        json answers;
        const char* pluginLine;
    };
    const Case cases[] = {
        {"no VTC", json::array({1, nullptr}), "VOZU Rudoruz Ori> Total number of linked VTCs : 0"},
        {"every VTC refused", json::array({1, "cut.vtc", nullptr}), "VOZU Rudoruz Ori> Cannot access VTC : "},
    };
    for (const Case& c : cases) {
        const Outcome out = run([&](json& job) { job["answers"] = c.answers; });
        EXPECT_EQ(out.status, 5) << c.name << "\n" << out.output;
        EXPECT_TRUE(contains(out.output, c.pluginLine)) << c.name << "\n" << out.output;
        EXPECT_EQ(out.lastLine(),
                  "talvora: " + jobPath() +
                      ": the run computed nothing: the plug-in wrote no file and created no map (its log "
                      "says why)")
            << c.name;
    }
}

TEST_F(RunOutcome, EmptyVoiComputesNothing) {
    std::ofstream(dir_ / "empty.voi")
        << "TALVORA-VOI 1\nCoordinates: volume\nNrOfVOIs: 1\nVOI: Empty\nNrOfVoxels: 0\n";
    const Outcome out = run([](json& job) { job["documents"]["vois"] = "empty.voi"; });
    EXPECT_EQ(out.status, 5) << out.output;
    EXPECT_TRUE(contains(out.lastLine(), ": the run computed nothing")) << out.output;
}

// When the answers do not fit, the reason comes before the consequences.
TEST_F(RunOutcome, AnswersThatDoNotFitAreExplainedFirst) {
    const Outcome out = run([](json& job) { job["answers"][4]["expect"] = "Enter the wrong thing"; });
    EXPECT_EQ(out.status, 1) << out.output;
    const auto why = out.output.find("talvora: " + jobPath() +
                                     ": the job expected a dialog containing \"Enter the "
                                     "wrong thing\"");
    const auto returned = out.output.find("talvora: execute 1 returned");
    const auto unused = out.output.find("talvora: warning: ");
    ASSERT_NE(why, std::string::npos) << out.output;
    ASSERT_NE(returned, std::string::npos) << out.output;
    ASSERT_NE(unused, std::string::npos) << out.output;
    EXPECT_LT(why, returned) << out.output;
    EXPECT_LT(returned, unused) << out.output;
}

}  // namespace
