// A host job run the two ways talvora-bids runs one: in a child of this
// program (no TALVORA_EXE) and in the host program $TALVORA_EXE. With the test
// plug-in both give the same exit status, message, output, transcript and
// result for runs that succeed, fail in the host or crash; a crashed job
// fails its participant only.
#include "bids/analyses/host_program.h"
#include "bids/app/runner.h"
#include "bids/derivatives/naming.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "small_dataset.h"
#include "support/run_program.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// What one run of a job left: the error (empty when it succeeded) and its files.
struct JobOutcome {
    std::string error;
    std::string output;
    std::string transcript;  // empty when none was written
    std::string result;      // the test plug-in's file "result.txt", empty when none
};

class HostJob : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("TALVORA_EXE"); }
    void TearDown() override { unsetenv("TALVORA_EXE"); }

    // Writes the job (the test plug-in with `action`, plus `extra` members)
    // into its own folder and runs it with the host program or in this one.
    JobOutcome run(const std::string& action, bool hostProgram, const json& extra = json::object()) {
        const fs::path dir = folder_ / "job";
        fs::remove_all(dir);
        fs::create_directories(dir);
        json job = {{"plugin", TEST_PLUGIN}, {"parameters", {{"TestAction", action}}}};
        job.update(extra);
        test_support::writeBytes(dir / "job.json", job.dump(2));
        if (hostProgram)
            setenv("TALVORA_EXE", TALVORA_EXE, 1);
        else
            unsetenv("TALVORA_EXE");
        JobOutcome outcome;
        try {
            bids::analyses::runHostJob(dir / "job.json", dir / "transcript.json", dir / "host_output.txt");
        } catch (const std::runtime_error& e) {
            outcome.error = e.what();
        }
        outcome.output = test_support::readBytes(dir / "host_output.txt");
        if (fs::exists(dir / "transcript.json"))
            outcome.transcript = test_support::readBytes(dir / "transcript.json");
        if (fs::exists(dir / "result.txt")) outcome.result = test_support::readBytes(dir / "result.txt");
        return outcome;
    }

    // The job run both ways; both must agree in every part.
    JobOutcome runBothWays(const std::string& action, const json& extra = json::object()) {
        const JobOutcome program = run(action, true, extra);
        const JobOutcome here = run(action, false, extra);
        EXPECT_EQ(here.error, program.error);
        EXPECT_EQ(here.output, program.output);
        EXPECT_EQ(here.transcript, program.transcript);
        EXPECT_EQ(here.result, program.result);
        return here;
    }

    std::string failure(int status, const std::string& lastLine) const {
        const fs::path dir = folder_ / "job";
        return (dir / "job.json").string() + ": the host ended with status " + std::to_string(status) + ": " +
               lastLine + " (its output: " + (dir / "host_output.txt").string() + ")";
    }

    test_support::TempFolder folder_;
};

TEST_F(HostJob, ASuccessfulRunIsTheSameBothWays) {
    const JobOutcome o = runBothWays("write:result.txt");
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.result, "written by the test plug-in\n");
    EXPECT_EQ(json::parse(o.transcript).at("execute"), json::array({true}));
}

TEST_F(HostJob, AnExecuteThatFailsIsStatusThreeBothWays) {
    const JobOutcome o = runBothWays("fail");
    EXPECT_EQ(o.error, failure(3, "talvora: execute 1 returned false"));
}

TEST_F(HostJob, ARunThatComputesNothingIsStatusFiveBothWays) {
    const JobOutcome o = runBothWays("log:nothing to write");
    EXPECT_EQ(o.error, failure(5, "talvora: " + (folder_ / "job/job.json").string() +
                                      ": the run computed nothing: the plug-in wrote no file and created no "
                                      "map (its log says why)"));
    EXPECT_TRUE(test_support::contains(o.output, "nothing to write\n")) << o.output;
}

TEST_F(HostJob, APluginThatRefusesToStartIsStatusOneBothWays) {
    // The test plug-in finds its host as "Talvora.exe" only.
    const JobOutcome o = runBothWays("log:never", {{"host", {{"module", "TalvoraEDU.exe"}}}});
    EXPECT_EQ(o.error,
              failure(1, "talvora: " + (folder_ / "job/job.json").string() + ": initPlugin returned false"));
}

TEST_F(HostJob, AMissingDocumentIsStatusTwoBothWays) {
    const JobOutcome o = runBothWays("log:never", {{"documents", {{"vmr", "missing.vmr"}}}});
    EXPECT_EQ(o.error, failure(2, "talvora: " + (folder_ / "job/missing.vmr").string() +
                                      ": cannot open the file for reading: No such file or directory"));
    EXPECT_EQ(o.transcript, "");  // the run never started
}

TEST_F(HostJob, ACrashedPluginIsStatus134BothWays) {
    const JobOutcome o = runBothWays("abort:about to crash");
    EXPECT_EQ(o.error, failure(134, "about to crash"));
    EXPECT_EQ(o.transcript, "");
}

TEST_F(HostJob, AMissingHostProgramIsNamed) {
    setenv("TALVORA_EXE", (folder_ / "no-talvora").c_str(), 1);
    try {
        bids::analyses::runHostJob(folder_ / "job.json", folder_ / "t.json", folder_ / "log.txt");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  (folder_ / "no-talvora").string() + " (TALVORA_EXE): no such program");
    }
}

// The runner goes on after a participant whose host job crashed: the next
// participant runs its job in a child of this program again and finishes.
TEST_F(HostJob, ACrashedJobFailsItsParticipantOnly) {
    bids_test::writeSmallDataset(folder_ / "bids");
    bids::app::Options options;
    options.bidsDir = folder_ / "bids";
    options.outputDir = folder_ / "out";
    options.level = "participant";
    options.analysis = "latency";
    options.workDir = folder_ / "work";
    bids::app::Analyses analyses;
    analyses.participant["latency"] = [](const bids::app::ParticipantJob& job) {
        const json plan = {
            {"plugin", TEST_PLUGIN},
            {"parameters",
             {{"TestAction", job.label == "01" ? "abort:sub-01 crashes" : "write:result.txt"}}}};
        test_support::writeBytes(job.workDir / "job.json", plan.dump());
        bids::analyses::runHostJob(job.workDir / "job.json", job.workDir / "transcript.json",
                                   job.workDir / "host_output.txt");
        job.writer.writeText(
            bids::derivatives::derivativePath(job.writer.output(), job.runs.front().bold.name, "func",
                                              {{{"desc", "latency"}}, "timeseries", ".tsv"}),
            test_support::readBytes(job.workDir / "result.txt"));
    };
    std::ostringstream out, err;
    EXPECT_EQ(bids::app::runApp(options, analyses, out, err), bids::app::kParticipantsFailed);
    const fs::path work = folder_ / "work/sub-01/latency";
    EXPECT_EQ(err.str(), "talvora-bids: 1 of 2 failed:\n  sub-01: " + (work / "job.json").string() +
                             ": the host ended with status 134: sub-01 crashes (its output: " +
                             (work / "host_output.txt").string() + ")\n");
    EXPECT_EQ(test_support::readBytes(folder_ /
                                      "out/sub-02/func/sub-02_task-motor_run-1_desc-latency_timeseries.tsv"),
              "written by the test plug-in\n");
    EXPECT_TRUE(test_support::contains(out.str(), "talvora-bids: sub-02 latency: finished")) << out.str();
}

}  // namespace
