// Every early stop of a run: what it logs or shows, which prompts came
// before it, and what execute returns. Also a numerical allocation failure,
// which must end only the run.

#include <sys/resource.h>
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALVORA_HAS_ASAN 1
#endif
#endif
#ifndef TALVORA_HAS_ASAN
#define TALVORA_HAS_ASAN 0
#endif
#include <unistd.h>

#include <fstream>

#include "host/documents/documents.h"
#include "host/session/plugin_loader.h"
#include "latency_run_fixture.h"

namespace latency_test {
namespace {

using nlohmann::json;

TEST_F(LatencyRunTest, OldHostShowsTheVersionMessageOnEveryExecute) {
    writeStandardStudy();
    const auto result = run(json::array(), nullptr, {{"host", {{"version", "21.9.9"}}}, {"executions", 2}});
    EXPECT_EQ(result.executeResults, (std::vector<bool>{false, false}));
    ASSERT_EQ(events().size(), 2u);
    for (const auto& e : events()) {
        EXPECT_EQ(e.kind, "message");
        EXPECT_EQ(e.text, "Can not execute this plugin - Talvora version 22.0 or higher required.");
    }
    EXPECT_TRUE(pluginLog().empty());
}

TEST_F(LatencyRunTest, HostAtTheMinimumVersionRuns) {
    writeStandardStudy();
    const auto result = run(standardAnswers(), nullptr, {{"host", {{"version", "22.0.0"}}}});
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
}

TEST_F(LatencyRunTest, WithoutVmrTheUserIsToldToOpenOne) {
    const auto result = run(json::array(), json::object());
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0].text, "You should open a VMR before running this plugin.");
    EXPECT_TRUE(pluginLog().empty());
}

TEST_F(LatencyRunTest, CancelledAccessModeLogsTheExitAndFails) {
    writeStandardStudy();
    const auto result = run(json::array({nullptr}));
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    EXPECT_EQ(pluginLog(),
              (std::vector<std::string>{" ", " ", "VOZU Rudoruz Ori> Starting VOZU Rudoruz Ori plugin ...",
                                        "VOZU Rudoruz Ori> Exiting VOZU Rudoruz Ori plugin ..."}));
}

TEST_F(LatencyRunTest, NoVtcChosenEndsTheRunAsDone) {
    writeStandardStudy();
    const auto result = run(json::array({1, nullptr}));
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_EQ(pluginLog().back(), "VOZU Rudoruz Ori> Total number of linked VTCs : 0");
    EXPECT_EQ(events().size(), 2u);
    EXPECT_TRUE(outputFiles() == std::vector<std::string>{"talvora.log"});
}

TEST_F(LatencyRunTest, RefusedVtcIsAskedAgainUnderTheSameNumber) {
    writeStandardStudy();
    json answers = standardAnswers();
    answers.insert(answers.begin() + 1, "missing.vtc");
    const auto result = run(answers);
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> Cannot access VTC : " + (dir() / "missing.vtc").string()));
    EXPECT_EQ(events()[1].text, "Please choose VTC n.1 (cancel to stop) [*.vtc]");
    EXPECT_EQ(events()[2].text, "Please choose VTC n.1 (cancel to stop) [*.vtc]");
    EXPECT_EQ(events()[3].text, "Please choose VTC n.2 (cancel to stop) [*.vtc]");
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> Total number of linked VTCs : 1"));
}

TEST_F(LatencyRunTest, VtcPathOverThreeHundredCharactersIsRefused) {
    writeStandardStudy();
    const std::string longName = std::string(300, 'v') + ".vtc";
    json answers = standardAnswers();
    answers.insert(answers.begin() + 1, longName);
    const auto result = run(answers);
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> VTC path longer than 300 characters, not accepted: " +
                       (dir() / longName).string()));
    EXPECT_EQ(events()[2].text, "Please choose VTC n.1 (cancel to stop) [*.vtc]");
}

TEST_F(LatencyRunTest, ProtocolInVolumesStopsWithThePrtMessage) {
    writeStandardStudy();
    writeProtocol(dir() / "run1.prt", {{"Task", {4, 24, 44, 64}}}, false);
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    EXPECT_EQ(pluginLog().back(),
              "VOZU Rudoruz Ori>  You need valid conditions specified in a linked PRT file in msec: please, "
              "load or create a PRT File!");
    EXPECT_EQ(events().size(), 3u);  // no condition asked
}

TEST_F(LatencyRunTest, ConditionWithoutTrialsStops) {
    writeStandardStudy();
    writeProtocol(dir() / "run1.prt", {{"Task", {}}, {"Rest", {14000}}});
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    const auto log = pluginLog();
    EXPECT_EQ(log[log.size() - 2], "VOZU Rudoruz Ori> Chosen Reference Condition: 1 Task");
    EXPECT_EQ(log.back(),
              "VOZU Rudoruz Ori>  You need at least 1 trial x condition specified in the PRT file!");
}

TEST_F(LatencyRunTest, SkippingTheOnlyTrialLeavesNoneAndStops) {
    VtcSpec spec = standardVtc();
    spec.onsets = {60000};
    spec.volumes = 70;
    writeStandardStudy(spec);
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    const auto log = pluginLog();
    EXPECT_EQ(log[log.size() - 2], "VOZU Rudoruz Ori> Exceeding the time-series: last trial skipped.");
    EXPECT_EQ(log.back(),
              "VOZU Rudoruz Ori>  You need at least 1 trial x condition specified in the PRT file!");
}

TEST_F(LatencyRunTest, CancelledDialogsStopTheRun) {
    const struct {
        const char* name;
        json answers;
        std::string lastPrompt;
    } cases[] = {
        {"condition", {1, "run1.vtc", nullptr, nullptr}, "Enter protocol condition:"},
        {"factor",
         {1, "run1.vtc", nullptr, 1, nullptr},
         "Enter an integer interpolation factor (1=no interpolation):"},
        {"window",
         {1, "run1.vtc", nullptr, 1, 1, nullptr},
         "Enter event-related time window for processing (in msec):"},
        {"confidence",
         {1, "run1.vtc", nullptr, 1, 1, 16000, true, nullptr},
         "Please enter confidence level for single-trial latency estimation:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        talvora::HostState::instance().reset();
        talvora::HostState::instance().echo = false;
        writeStandardStudy();
        const auto result = run(c.answers);
        EXPECT_EQ(result.executeResults, std::vector<bool>{false});
        EXPECT_EQ(events().back().text, c.lastPrompt);
        EXPECT_EQ(talvora::HostState::instance().busyDepth, 0);
        EXPECT_EQ(maps(), nullptr);
    }
}

TEST_F(LatencyRunTest, MissingVoisStopWithTheVoiMessage) {
    writeStandardStudy();
    const auto result = run(standardAnswers(), json{{"vmr", "anat.vmr"}});
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    EXPECT_EQ(pluginLog().back(), "VOZU Rudoruz Ori>  Impossible to find VOI definition: 0");
}

TEST_F(LatencyRunTest, VoisWithoutVoxelsEndTheRunAsDone) {
    writeStandardStudy();
    writeVois(dir() / "regions.voi", {{"Empty", {}}});
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    const auto log = pluginLog();
    EXPECT_EQ(log[log.size() - 2], "VOZU Rudoruz Ori>  Number of VOIs defined: 1");
    EXPECT_EQ(log.back(), "VOZU Rudoruz Ori>  Number of selected VMR voxels: 0");
}

TEST_F(LatencyRunTest, MoreVoisThanTheLabelByteHoldsAreRefused) {
    writeStandardStudy();
    std::vector<Voi> vois;
    for (int v = 0; v < 256; ++v) vois.push_back({"V" + std::to_string(v), {30, 30, 30}});
    writeVois(dir() / "regions.voi", vois);
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    EXPECT_EQ(pluginLog().back(),
              "VOZU Rudoruz Ori>  Too many VOIs (256): at most 255 can be told apart. Exiting plugin...");
}

TEST_F(LatencyRunTest, AtMostTwoHundredVtcsAreAsked) {
    writeStandardStudy();
    json answers = json::array({1});
    for (int k = 0; k < 200; ++k) answers.push_back("run1.vtc");
    for (const json& a : json::array({1, 1, 16000, false, true, nullptr})) answers.push_back(a);
    const auto result = run(answers);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> At most 200 VTCs can be analysed: no further VTC is asked."));
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> Total number of linked VTCs : 200"));
    EXPECT_EQ(events()[200].text, "Please choose VTC n.200 (cancel to stop) [*.vtc]");
    EXPECT_EQ(events()[201].text, "Enter protocol condition:");
    EXPECT_TRUE(outputExists("Right_VTC200_sig_fit.dat"));
}

TEST_F(LatencyRunTest, AtMostOneHundredTrialsAreUsed) {
    VtcSpec spec = standardVtc();
    spec.onsets.clear();
    for (int t = 0; t < 101; ++t) spec.onsets.push_back(4000 + 20000 * t);
    spec.volumes = 2024;
    writeStandardStudy(spec);
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.executeResults, std::vector<bool>{true});
    const auto log = pluginLog();
    const auto limit = std::find(log.begin(), log.end(),
                                 "VOZU Rudoruz Ori> More than 100 trials: only the first 100 are used.");
    ASSERT_NE(limit, log.end());
    EXPECT_EQ(*(limit - 1), "VOZU Rudoruz Ori> Time window length : 16000.000 msec");
    EXPECT_NE(output("AvgTrials_Results.txt").find("Onset Latency \n2.1\n"), std::string::npos);
}

// Ends the process with 1 when execute returned false and logged the
// numerical error, 2 otherwise.
[[noreturn]] void runWithAddressSpaceLimit(const std::filesystem::path& dir) {
    auto& host = talvora::HostState::instance();
    host.reset();
    host.echo = false;
    host.setAnswers({{3, {}},
                     {"run1.vtc", {}},
                     {nullptr, {}},
                     {"mask.msk", {}},
                     {1, {}},
                     {1, {}},
                     {5000, {}},
                     {true, {}},
                     {0.05, {}},
                     {true, {}}});
    host.openBase = dir.string();
    talvora::openDocuments(json{{"vmr", "anat.vmr"}}, dir);
    talvora::LoadedPlugin plugin(LATMAP_PLUGIN_PATH);
    plugin.create();
    plugin.initPlugin();
    std::filesystem::current_path(dir);
    // Room for about 48 MB more: the single-trial stores of this mask need 4 x 80 MB.
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    statm >> pages;
    const rlim_t limit =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (48u << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
    const bool ok = plugin.execute();
    bool reported = false;
    for (const auto& line : host.logLines)
        reported = reported || line.rfind("VOZU Rudoruz Ori> Numerical error: allocation failure", 0) == 0;
    if (!(!ok && reported))
        for (const auto& line : host.logLines) std::fprintf(stderr, "log: %s\n", line.c_str());
    std::_Exit(!ok && reported ? 1 : 2);
}

TEST_F(LatencyRunTest, AllocationFailureEndsOnlyTheRun) {
#if defined(__SANITIZE_ADDRESS__) || TALVORA_HAS_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of shadow address space: an address-space limit "
                    "cannot be set under it";
#endif
    // The host library runs helper threads: the child starts afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // 200,000 masked voxels of 12 volumes, one trial at 0 s.
    VtcSpec spec;
    spec.grid = Grid{3, 0, 300, 0, 300, 0, 180};  // 100 x 100 x 60
    spec.volumes = 12;
    spec.onsets = {0};
    spec.tr = 1000;
    spec.protocolName = "run1.prt";
    writeVmr(dir() / "anat.vmr", 320);
    writeVtc(dir() / "run1.vtc", spec);
    writeProtocol(dir() / "run1.prt", {{"Task", {0}}});
    writeMask(dir() / "mask.msk", spec.grid, [](int v) { return v % 3 == 0; });
    EXPECT_EXIT(runWithAddressSpaceLimit(dir()), ::testing::ExitedWithCode(1),
                "Numerical Recipes run-time error...\nallocation failure [0-9] in f3tensor\\(\\)\n"
                "...now exiting to system...");
}

}  // namespace
}  // namespace latency_test
