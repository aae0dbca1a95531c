// The form's commands other than the run: VOI and condition lists, unknown
// commands, the method question and the endings of the selection.
#include "gcm_run_fixture.h"

using namespace gcm_test;
using nlohmann::json;

namespace {
std::string parameter(const std::string& name) {
    const auto& p = talvora::HostState::instance().parameters;
    const auto it = p.find(name);
    return it == p.end() ? "(unset)" : talvora::describe(it->second);
}
}  // namespace

TEST_F(GcmRunTest, StartCheckListsTheVoisAndKeepsTheBasePath) {
    writeStudy();
    const auto r = run(json::array({startCheck()}));
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true}));
    EXPECT_EQ(parameter("NrOfVOIsAvailable"), "1");
    EXPECT_EQ(parameter("NameOfVOI-1"), "Reference");
    EXPECT_TRUE(logged("Base path for resulting group maps:"));
    EXPECT_TRUE(logged((std::filesystem::canonical(dir()).string() + "/")));
}

TEST_F(GcmRunTest, StartCheckWithoutVoisReportsNone) {
    writeStudy();
    const auto r = run(json::array({{{"command", "StartCheck"}, {"parameters", {{"VOIFile", ""}}}}}));
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true}));
    EXPECT_EQ(parameter("NrOfVOIsAvailable"), "0");
}

TEST_F(GcmRunTest, StartCheckWithoutVolumeSaysSo) {
    writeStudy();
    json job = {{"documents", json::object()}};
    const auto r = run(json::array({startCheck()}), job);
    ASSERT_EQ(r.executeResults, (std::vector<bool>{false}));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0],
              "<b>No VMR</b><br>The GCM-plugin requires a VMR to operate. Make sure that a VMR is open "
              "and that its window is selected.");
}

TEST_F(GcmRunTest, ConditionsOfTheProtocolAndShortPaths) {
    writeStudy();
    const auto r = run(
        json::array({{{"command", "GetCondsOfVTCProtocol"}, {"parameters", {{"VTCFile", "S01/run1.vtc"}}}},
                     {{"command", "GetCondsOfVTCProtocol"}, {"parameters", {{"VTCFile", "ab"}}}},
                     {{"command", "Nonsense"}}}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(parameter("NrOfConditions"), "2");
    EXPECT_EQ(parameter("CondName-1"), "Task");
    EXPECT_EQ(parameter("CondName-2"), "Rest");
}

TEST_F(GcmRunTest, MethodZeroAsksAndTheBaseNameIsTheSubjectAlone) {
    writeStudy();
    json job = {{"answers", json::array({json{{"expect", "How do you want to select the vtc-intervals"},
                                              {"value", 2}}})}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 0)}), job);
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(exists("S01/S01_VOI-Reference.gcm"));
    EXPECT_TRUE(exists("S01/S01_VOI-Reference.log"));
}

TEST_F(GcmRunTest, CancelledMethodQuestionEndsTheRun) {
    writeStudy();
    json job = {{"answers", json::array({nullptr})}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 0)}), job);
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    EXPECT_TRUE(logged("// GCM> Canceled by user."));
    EXPECT_TRUE(logged("//  End GCM-Plugin output"));
}

TEST_F(GcmRunTest, EmptyConditionNameEndsAsCancelInsteadOfAskingForever) {
    writeStudy();
    const auto r = run(json::array({startCheck(), runCommand("S01", 2, {{"SelectedConditionName", ""}})}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0],
              "<b>Invalid selection</b><br>You have select at least one Condition. Try again after "
              "closing this dialog");
    EXPECT_TRUE(logged("// GCM> Canceled by user."));
}

TEST_F(GcmRunTest, TooShortManualIntervalEndsAsCancel) {
    writeStudy();
    const auto r = run(json::array({startCheck(), runCommand("S01", 1, {{"VTCIntervalStart", 120}})}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0],
              "<b>Invalid selection</b><br>The interval (120, 120) is too short: last-first+1 must be "
              "greater than AR-order(1)<br><br>Try again after closing this dialog");
    EXPECT_TRUE(logged("// GCM> Canceled by user."));
    EXPECT_FALSE(exists("S01/S01_RUNCOND-Task_VOI-Reference.gcm"));
}

TEST_F(GcmRunTest, ManualIntervalLimitsAreAccepted) {
    writeStudy();
    // last - first = p: accepted (two points for p = 1).
    const auto r = run(json::array(
        {startCheck(), runCommand("S01", 1, {{"VTCIntervalStart", 100}, {"VTCIntervalEnd", 19}})}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(logged("// GCM> \t\t100\t-\t101"));
    const auto cancelled = run(json::array({runCommand("S01", 1, {{"VTCIntervalStart", 0}})}));
    EXPECT_EQ(cancelled.executeResults, (std::vector<bool>{false}));
}
