// Variants of a run: separate source and target VTCs picked in file dialogs,
// VOIs in the reference convention, 16-bit VTCs, two VTCs in one condition.
#include "gcm_run_fixture.h"

#include <cmath>

using namespace gcm_test;
using nlohmann::json;

TEST_F(GcmRunTest, SeparateSourceAndTargetVtcsComeFromFileDialogs) {
    auto options = smallStudy();
    options.settings += "SeparateSourceTargetVTCs= 1\n";
    writeStudy(options);
    json job = {
        {"answers",
         json::array(
             {json{{"expect", "Add a SOURCE VTC (reference) for condition: Task (cancel to stop adding)"},
                   {"value", "S01/run1.vtc"}},
              json{{"expect",
                    "Add a TARGET VTC (voxels) for condition: Task (mandatory, cancel only to exit)"},
                   {"value", "S02/run1.vtc"}},
              json{{"expect", "Add a SOURCE VTC"}, {"value", nullptr}}})}};
    const auto r =
        run(json::array({startCheck(), runCommand("S01", 1, {{"NrOfSubjVTCs", 0}, {"SubjVTC-1", ""}})}), job);
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true, true})) << r.error;
    EXPECT_EQ(r.error, "");
    const std::string src = (dir() / "S01/run1.vtc").string(), trg = (dir() / "S02/run1.vtc").string();
    EXPECT_TRUE(logged("// GCM> \tsrc: " + src + "\n// GCM> \ttrg: " + trg));
    // With no "SubjVTC-1" the files go beside the first target VTC.
    const std::string log = readText("S02/S01_RUNCOND-Task_VOI-Reference.log");
    EXPECT_NE(log.find("\tSrc VTC: " + src + "\n\tTrg VTC: " + trg + "\n\tintv(s):\n\t\t11\t-\t120\n"),
              std::string::npos)
        << log;
}

TEST_F(GcmRunTest, NoSourceVtcEndsAsCancel) {
    auto options = smallStudy();
    options.settings += "SeparateSourceTargetVTCs= 1\n";
    writeStudy(options);
    json job = {{"answers", json::array({nullptr})}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 1)}), job);
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0],
              "<b>Invalid selection</b><br>You have select at least one VTC-Pair (source and target) "
              "and an interval within those VTCs. Try again after closing this dialog");
    EXPECT_TRUE(logged("// GCM> Canceled by user."));
}

TEST_F(GcmRunTest, ReferenceConventionVoisGiveTheSameMaps) {
    writeStudy();
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    const auto volumeMaps = maps("S01/S01_COND-Task_VOI-Reference.gcm");
    auto options = smallStudy();
    options.referenceVoiCoords = true;
    writeStudy(options);
    talvora::HostState::instance().reset();
    talvora::HostState::instance().echo = false;
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    const auto referenceMaps = maps("S01/S01_COND-Task_VOI-Reference.gcm");
    ASSERT_EQ(referenceMaps.maps.size(), 2u);
    EXPECT_EQ(referenceMaps.maps[0].values, volumeMaps.maps[0].values);
    EXPECT_EQ(referenceMaps.maps[1].values, volumeMaps.maps[1].values);
}

TEST_F(GcmRunTest, SixteenBitVtcsGiveTheMapsOfTheirRoundedValues) {
    auto options = smallStudy();
    writeStudy(options);
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    const auto floatMaps = maps("S01/S01_COND-Task_VOI-Reference.gcm");
    options.sixteenBit = true;
    writeStudy(options);
    talvora::HostState::instance().reset();
    talvora::HostState::instance().echo = false;
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    const auto intMaps = maps("S01/S01_COND-Task_VOI-Reference.gcm");
    // Rounding to whole numbers (signal SD about 15) moves the measures a little, not the picture.
    ASSERT_EQ(intMaps.maps[1].values.size(), floatMaps.maps[1].values.size());
    double diff = 0;
    for (std::size_t i = 0; i < intMaps.maps[1].values.size(); ++i) {
        diff = std::max(
            diff, static_cast<double>(std::fabs(intMaps.maps[1].values[i] - floatMaps.maps[1].values[i])));
        EXPECT_EQ(intMaps.maps[1].values[i] > 5.0f, floatMaps.maps[1].values[i] > 5.0f) << i;
    }
    EXPECT_GT(diff, 0.0);
    EXPECT_LT(diff, 5.0);
}

TEST_F(GcmRunTest, TwoVtcsOfOneConditionAreAveraged) {
    writeStudy();
    const auto r = run(json::array(
        {startCheck(), runCommand("S01", 1, {{"NrOfSubjVTCs", 2}, {"SubjVTC-2", "S02/run1.vtc"}})}));
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    const std::string log = readText("S01/S01_RUNCOND-Task_VOI-Reference.log");
    EXPECT_NE(
        log.find(
            "\tVTC: S01/run1.vtc\n\tintv(s):\n\t\t11\t-\t120\n\tVTC: S02/run1.vtc\n\tintv(s):\n\t\t11\t-\t120\n"
            "\tTotal nr. time-points: 220\n\tEffective nr. time-points: 218\n"),
        std::string::npos)
        << log;
}
