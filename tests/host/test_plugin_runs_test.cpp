// `talvora run` with the test plug-in: the run's exit status and its
// transcript, which holds UTF-8 only, whatever bytes the plug-in logged.
#include "host/session/host_session.h"
#include "host/session/job.h"
#include "support/run_program.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;

using test_support::Outcome;
using test_support::shell;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TestPluginRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("talvora_test_plugin_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the test plug-in once with `action`, writing the transcript.
    Outcome run(const std::string& action) {
        const nlohmann::json job = {{"plugin", TEST_PLUGIN}, {"parameters", {{"TestAction", action}}}};
        std::ofstream(dir_ / "job.json") << job.dump();
        return shell(std::string(TALVORA_EXE) + " run " + (dir_ / "job.json").string() + " --transcript " +
                     transcript().string());
    }
    fs::path transcript() const { return dir_ / "transcript.json"; }
    fs::path dir_;
};

TEST_F(TestPluginRun, ALatin1LogLineIsEscapedAndTheStatusIsTheRuns) {
    // The plug-in logs the Latin-1 byte E9 ("%E9" in the job, which is UTF-8).
    const Outcome o = run("log:VOI R%E9gion");
    // The test plug-in writes nothing: a dialog-driven run without results.
    EXPECT_EQ(o.status, 5) << o.output;
    EXPECT_NE(o.output.find("VOI R\xE9gion\n"), std::string::npos) << o.output;
    const std::string written = readAll(transcript());
    EXPECT_EQ(written.find('\xE9'), std::string::npos) << written;
    const nlohmann::json parsed = nlohmann::json::parse(written);
    EXPECT_EQ(parsed.at("log"), nlohmann::json::array({"VOI R\\xE9gion"})) << written;
    EXPECT_EQ(parsed.at("execute"), nlohmann::json::array({true}));
}

TEST_F(TestPluginRun, AnExecuteThatReturnsFalseIsStatusThree) {
    const Outcome o = run("fail");
    EXPECT_EQ(o.status, 3) << o.output;
    const nlohmann::json parsed = nlohmann::json::parse(readAll(transcript()));
    EXPECT_EQ(parsed.at("execute"), nlohmann::json::array({false}));
}

TEST_F(TestPluginRun, MessagesAreDialogsOfTheTranscript) {
    const Outcome o = run("message:Error: not a form command");
    EXPECT_EQ(o.status, 5) << o.output;  // only form commands are read for errors
    const nlohmann::json parsed = nlohmann::json::parse(readAll(transcript()));
    ASSERT_EQ(parsed.at("dialogs").size(), 1u);
    EXPECT_EQ(parsed.at("dialogs")[0].at("kind"), "message");
    EXPECT_EQ(parsed.at("dialogs")[0].at("text"), "Error: not a form command");
    EXPECT_TRUE(parsed.at("command_errors").empty());
}

// Two jobs in one process: the second finds nothing of the first.
TEST_F(TestPluginRun, ASecondJobInOneProcessStartsClean) {
    using namespace talvora::session;
    std::ofstream(dir_ / "run.fmr") << "NrOfSlices: 2\nResolutionX: 4\nResolutionY: 4\n";
    HostState::instance().echo = false;
    Job first = parseJob(nlohmann::json{{"plugin", TEST_PLUGIN},
                                        {"documents", {{"fmr", "run.fmr"}}},
                                        {"parameters", {{"TestAction", "log:first"}}}},
                         dir_ / "first.json");
    runJob(first, dir_);
    EXPECT_NE(talvora::documents::FmrDocuments::instance().current(), nullptr);
    EXPECT_EQ(HostState::instance().logLines, std::vector<std::string>{"first"});

    Job second = parseJob(nlohmann::json{{"plugin", TEST_PLUGIN}}, dir_ / "second.json");
    const RunResult result = runJob(second, dir_);
    EXPECT_EQ(talvora::documents::FmrDocuments::instance().current(), nullptr);
    EXPECT_TRUE(HostState::instance().logLines.empty());
    EXPECT_EQ(HostState::instance().parameters.count("TestAction"), 0u);
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    HostSession::current().beginJob();
}

}  // namespace
