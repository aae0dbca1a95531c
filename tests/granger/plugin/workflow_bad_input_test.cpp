// Bad inputs: each gets its message, no crash, and no map or group file.
#include "support/test_files.h"
#include "gcm_run_fixture.h"

#include "host/formats/protocol_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"

#include <fstream>

using namespace gcm_test;
using nlohmann::json;
namespace fs = std::filesystem;

TEST_F(GcmRunTest, MissingVoiFileIsReported) {
    writeStudy();
    const auto r = run(json::array({runCommand("S01", 2, {{"VOIFile", "nowhere.voi"}})}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{false}));
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().back(), "Could not load VOIs!");
}

TEST_F(GcmRunTest, NoLinkedVtcIsReported) {
    writeStudy();
    const auto r = run(json::array({runCommand("S01", 2)}), {{"documents", {{"vmr", "anatomy.vmr"}}}});
    EXPECT_EQ(r.executeResults, (std::vector<bool>{false}));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0],
              "<b>No VTC</b><br>The GCM-plugin requires a referenced VTC to correctly access "
              "VOI-definitions.\n Make sure that a VTC is linked.");
}

TEST_F(GcmRunTest, TruncatedVtcStopsCleanlyWithoutMapFile) {
    writeStudy();
    fs::copy_file(dir() / "S01/run1.vtc", dir() / "S01/short.vtc");
    fs::resize_file(dir() / "S01/short.vtc", fs::file_size(dir() / "S01/short.vtc") - 10);
    json job = {{"documents", {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}}}};
    const auto r = run(json::array({runCommand("S01", 1, {{"SubjVTC-1", "S01/short.vtc"}})}), job);
    EXPECT_EQ(r.executeResults, (std::vector<bool>{false}));
    EXPECT_TRUE(
        logged("// GCM> Could not read data from vtc 'S01/short.vtc'\n// GCM> The file was corrupted (not of "
               "expected size) or made inaccessible"));
    EXPECT_TRUE(logged("// GCM> Terminal error, sorry. Exiting..."));
    EXPECT_FALSE(exists("S01/S01_RUNCOND-Task_VOI-Reference.gcm"));
    EXPECT_FALSE(exists("S01/S01_RUNCOND-Task_VOI-Reference.log"));
}

TEST_F(GcmRunTest, RefusedHeaderAndDifferentGridAreRefusedByName) {
    auto options = smallStudy();
    writeStudy(options);
    // A version 3 header naming two protocols.
    std::string bytes = test_support::readBytes(dir() / "S01/run1.vtc");
    bytes[2 + 9] = 2;  // after the version (2 bytes) and "run1.fmr\0" (9 bytes)
    std::ofstream(dir() / "S01/two.vtc", std::ios::binary) << bytes;
    // A VTC with a different z range.
    auto header = talvora::formats::readVtcHeader(dir() / "S01/run1.vtc");
    header.grid.zEnd += 3;
    talvora::formats::writeVtcFile(dir() / "S01/tall.vtc", header,
                                   std::vector<float>(header.grid.voxelCount() * 120, 1000.0f));
    json job = {{"documents", {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}}}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 1,
                                                             {{"NrOfSubjVTCs", 4},
                                                              {"SubjVTC-2", "S01/two.vtc"},
                                                              {"SubjVTC-3", "S01/tall.vtc"},
                                                              {"SubjVTC-4", "S01/run1.vtc"}})}),
                       job);
    // The good VTC is used; the others are refused with the dimension message, the repeat with its own.
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    const auto m = messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_NE(m[0].find("Either could not open vtc or the selected vtc is not of the same dimensions"),
              std::string::npos);
    EXPECT_EQ(m[1], m[0]);
    EXPECT_EQ(m[2],
              "<b>Invalid selection</b><br>You have already selected that VTC for this condition. Try again "
              "after closing this messagebox.");
}

TEST_F(GcmRunTest, InvalidSettingsFileFallsBackToDefaults) {
    writeStudy();
    writeSettings("AutoRegressionOrder= 21\nNumSurrogateSimulations= 10\n");
    const auto r = run(json::array({startCheck(), runCommand("S01", 2)}));
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(logged(
        "// GCM> WARNING: Invalid value for 'AutoRegressionOrder=' in VUVIrurar.ini: 21 (valid range 1 - 20)"));
    EXPECT_TRUE(logged("// GCM> WARNING: Dismissing .ini-file: it was invalid or could not be found"));
    EXPECT_TRUE(logged("// GCM> WARNING: Using default global parameters, see written .log files\n// GCM> "));
    EXPECT_NE(readText("S01/S01_COND-Task_VOI-Reference.log").find("NumSurrogateSimulations= 1000\n"),
              std::string::npos);
    fs::remove(dir() / "plugins/VUVIrurar.ini");
    run(json::array({startCheck(), runCommand("S01", 2)}));
    EXPECT_TRUE(
        logged("// GCM> WARNING: Could not find or open " + (dir() / "plugins/VUVIrurar.ini").string()));
}

TEST_F(GcmRunTest, VoiOutsideTheVtcBoxIsReported) {
    writeStudy();
    talvora::formats::VoiFile vois;
    vois.vois.push_back({"Far", {10, 10, 10, 11, 10, 10}});
    talvora::formats::writeVoiFile(dir() / "far.voi", vois);
    const auto r = run(json::array({startCheck(), runCommand("S01", 2, {{"VOIFile", "far.voi"}})}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    EXPECT_TRUE(
        logged("// GCM> Could not obtain time-course information from vtc-file for creation of a voi "
               "time-course(internal error) for:\n// GCM> vtc: S01/run1.vtc\n// GCM> voi: Far"));
    EXPECT_FALSE(exists("S01/S01_COND-Task_VOI-Far.gcm"));
}

TEST_F(GcmRunTest, IntervalOutsideTheVtcIsAnInvalidParameterSet) {
    writeStudy();
    talvora::formats::ProtocolFile prt;
    prt.timeUnit = talvora::formats::ProtocolFile::TimeUnit::Volumes;
    prt.conditions.push_back({"Task", {11}, {130}});
    talvora::formats::writeProtocolFile(dir() / "long.prt", prt);
    json job = {
        {"documents",
         {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}, {"protocols", {{"S01/run1.vtc", "long.prt"}}}}}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 2)}), job);
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    EXPECT_TRUE(
        logged("// GCM> An interval (11, 130) for vtc 'S01/run1.vtc', 120 volumes, in condition 'Task' was "
               "wrongly specified (N.B. last-first+1 must be greater than AR-order(1))"));
    EXPECT_TRUE(
        logged("// GCM> An invalid input parameter-set caused computation to terminate.\n// GCM> Try again "
               "with a different parameter-set. Exiting..."));
    EXPECT_FALSE(exists("S01/S01_COND-Task_VOI-Reference.gcm"));
}

TEST_F(GcmRunTest, MillisecondIntervalTooShortIsRefused) {
    writeStudy();
    talvora::formats::ProtocolFile prt;
    prt.conditions.push_back({"Task", {10000}, {11999}});  // volumes 6 to 6
    talvora::formats::writeProtocolFile(dir() / "short.prt", prt);
    json job = {
        {"documents",
         {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}, {"protocols", {{"S01/run1.vtc", "short.prt"}}}}}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 2)}), job);
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    EXPECT_TRUE(logged(
        "// GCM> ERROR : The interval (6, 6) is invalid: last-first+1 must be greater than AR-order(1)"));
}

TEST_F(GcmRunTest, MillisecondsConvertWithTheVtcsRepetitionTime) {
    writeStudy();
    talvora::formats::ProtocolFile prt;
    prt.conditions.push_back({"Task", {10000}, {19999}});
    talvora::formats::writeProtocolFile(dir() / "ms.prt", prt);
    json job = {
        {"documents",
         {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}, {"protocols", {{"S01/run1.vtc", "ms.prt"}}}}}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 2)}), job);
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(logged("// GCM> \t\t6\t-\t10"));
}

TEST_F(GcmRunTest, MissingSubjectFileStopsGroupPreparation) {
    writeStudy();
    json group = {{"command", "PrepareForANCOVA"},
                  {"parameters",
                   {{"NrOfSubjects", 2},
                    {"SelectedTimeWindowMethod", 2},
                    {"SubjectSpecificVOIs", 0},
                    {"SubjID-1", "S01"},
                    {"SubjDataFolder-1", "S01/"},
                    {"SubjID-2", "S02"},
                    {"SubjDataFolder-2", "S02/"}}}};
    const auto r = run(json::array({startCheck(), runCommand("S01", 2), group}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true, false}));
    ASSERT_FALSE(messages().empty());
    EXPECT_NE(messages().back().find("S02/S02_COND-Task_VOI-Reference.gcm"), std::string::npos)
        << messages().back();
    EXPECT_FALSE(exists("RFX-INST_N2_COND-Task_VOI-Reference.vmp"));
    EXPECT_FALSE(exists("RFX-dGCM_N2_COND-Task_VOI-Reference.vmp"));
}

TEST_F(GcmRunTest, LogFileThatCannotBeWrittenIsAWarningAndTheMapsAreSaved) {
    writeStudy();
    // A folder where the log file should go makes the file impossible to create.
    fs::create_directories(dir() / "S01/S01_COND-Task_VOI-Reference.log/x");
    const auto r = run(json::array({startCheck(), runCommand("S01", 2)}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(exists("S01/S01_COND-Task_VOI-Reference.gcm"));
    EXPECT_TRUE(loggedContaining("// GCM> WARNING: Could not write the log file: "));
    EXPECT_FALSE(loggedContaining("Written  log:"));
}
