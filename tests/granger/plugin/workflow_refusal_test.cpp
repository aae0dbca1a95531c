// Inputs that once gave wrong maps with success, endless message boxes or a
// misleading message: each is refused (or bounded) with a message that says
// what is wrong, and no map file is written from bad data.
#include "support/test_files.h"
#include "gcm_run_fixture.h"

#include "host/formats/protocol_file.h"
#include "host/formats/vtc_file.h"

#include <chrono>
#include <fstream>

using namespace gcm_test;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

json protocolJob(const std::string& protocol) {
    return {{"documents",
             {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}, {"protocols", {{"S01/run1.vtc", protocol}}}}}};
}

json groupCommand(int subjects) {
    return {{"command", "PrepareForANCOVA"},
            {"parameters",
             {{"NrOfSubjects", subjects}, {"SelectedTimeWindowMethod", 2}, {"SubjectSpecificVOIs", 0}}}};
}

}  // namespace

TEST_F(GcmRunTest, DataLongerThanTheHeaderSaysIsRefusedNamingBothSizes) {
    writeStudy();
    // The header announces 100 volumes; the data hold the file's 120.
    auto vtc = talvora::formats::readVtcFile(dir() / "S01/run1.vtc");
    const std::string data = test_support::readBytes(dir() / "S01/run1.vtc").substr(vtc.header.headerBytes);
    vtc.header.nrOfVolumes = 100;
    const std::string header = talvora::formats::encodeVtcHeader(vtc.header);
    std::ofstream(dir() / "S01/long.vtc", std::ios::binary) << header << data;
    const std::uint64_t size = header.size() + data.size();
    const std::uint64_t announced = header.size() + 6 * 4 * 1 * 100 * 4;
    const auto r = run(json::array({runCommand("S01", 1, {{"SubjVTC-1", "S01/long.vtc"}})}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{false}));
    EXPECT_TRUE(logged("// GCM> The vtc 'S01/long.vtc' holds " + std::to_string(size) +
                       " bytes, but its header announces " + std::to_string(announced) +
                       " bytes (100 volumes of 6 x 4 x 1 voxels)"));
    EXPECT_TRUE(logged("// GCM> Terminal error, sorry. Exiting..."));
    EXPECT_FALSE(exists("S01/S01_RUNCOND-Task_VOI-Reference.gcm"));
}

TEST_F(GcmRunTest, ConditionWithoutIntervalsIsAnInvalidParameterSet) {
    writeStudy();
    talvora::formats::ProtocolFile prt;
    prt.timeUnit = talvora::formats::ProtocolFile::TimeUnit::Volumes;
    prt.conditions.push_back({"Task", {}, {}});
    talvora::formats::writeProtocolFile(dir() / "empty.prt", prt);
    const auto r = run(json::array({startCheck(), runCommand("S01", 2)}), protocolJob("empty.prt"));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    EXPECT_TRUE(
        logged("// GCM> Condition 'Task' has no interval in any of its VTCs: there is nothing to compute"));
    EXPECT_TRUE(
        logged("// GCM> An invalid input parameter-set caused computation to terminate.\n// GCM> Try again "
               "with a different parameter-set. Exiting..."));
    EXPECT_FALSE(loggedContaining("Done, all computations succesful"));
    EXPECT_FALSE(exists("S01/S01_COND-Task_VOI-Reference.gcm"));
}

TEST_F(GcmRunTest, SkippedVtcsAreLoggedAndSummarised) {
    writeStudy();
    std::string bytes = test_support::readBytes(dir() / "S01/run1.vtc");
    bytes[2 + 9] = 2;  // a version 3 header naming two protocols
    std::ofstream(dir() / "S01/two.vtc", std::ios::binary) << bytes;
    auto header = talvora::formats::readVtcHeader(dir() / "S01/run1.vtc");
    header.grid.zEnd += 3;
    talvora::formats::writeVtcFile(dir() / "S01/tall.vtc", header,
                                   std::vector<float>(header.grid.voxelCount() * 120, 1000.0f));
    const auto r = run(json::array({startCheck(), runCommand("S01", 1,
                                                             {{"NrOfSubjVTCs", 4},
                                                              {"SubjVTC-2", "S01/missing.vtc"},
                                                              {"SubjVTC-3", "S01/two.vtc"},
                                                              {"SubjVTC-4", "S01/tall.vtc"}})}));
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(logged("// GCM> WARNING: Skipped VTC 'S01/missing.vtc': the file could not be opened"));
    EXPECT_TRUE(logged("// GCM> WARNING: Skipped VTC 'S01/two.vtc': its header could not be read"));
    EXPECT_TRUE(logged(
        "// GCM> WARNING: Skipped VTC 'S01/tall.vtc': its resolution or bounding box differs from the first VTC's"));
    // The summary after the run names them again.
    const auto lines = logLines();
    const auto done =
        std::find(lines.begin(), lines.end(), "// GCM> \n// GCM> Done, all computations succesful");
    ASSERT_NE(done, lines.end());
    EXPECT_NE(std::find(done, lines.end(),
                        "// GCM> WARNING: 3 selected VTC(s) were skipped, the maps hold the others only: "
                        "S01/missing.vtc, S01/two.vtc, S01/tall.vtc"),
              lines.end());
    // And the log file beside the maps says so.
    const std::string log = readText("S01/S01_RUNCOND-Task_VOI-Reference.log");
    EXPECT_NE(
        log.find(
            "\tSkipped VTC: S01/missing.vtc (the file could not be opened)\n"
            "\tSkipped VTC: S01/two.vtc (its header could not be read)\n"
            "\tSkipped VTC: S01/tall.vtc (its resolution or bounding box differs from the first VTC's)\n"),
        std::string::npos)
        << log;
}

TEST_F(GcmRunTest, NoUsableVtcIsAnInvalidSelection) {
    writeStudy();
    const auto r = run(json::array({startCheck(), runCommand("S01", 1, {{"SubjVTC-1", "S01/missing.vtc"}})}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    EXPECT_TRUE(logged("// GCM> ERROR: No usable VTC was selected for condition 'Task'"));
    EXPECT_FALSE(loggedContaining("Computing..."));
}

TEST_F(GcmRunTest, HugeVtcCountStopsAtTheFirstEmptyPath) {
    writeStudy();
    const auto start = std::chrono::steady_clock::now();
    const auto r = run(json::array({startCheck(), runCommand("S01", 1, {{"NrOfSubjVTCs", 1000000000}})}));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(
        logged("// GCM> WARNING: \"NrOfSubjVTCs\" is 1000000000 but \"SubjVTC-2\" is empty: the 1 VTC(s) "
               "before it are used"));
    EXPECT_TRUE(exists("S01/S01_RUNCOND-Task_VOI-Reference.gcm"));
    // A bound for a hang, not a speed figure: one slot per message box would take hours.
    EXPECT_LT(seconds, 120.0);
}

TEST_F(GcmRunTest, GroupPreparationWithoutSubjectsSavesBothGroupFiles) {
    writeStudy();
    const auto r = run(json::array({startCheck(), runCommand("S01", 2), groupCommand(0)}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(r.unwritten.empty());
    for (const char* file :
         {"RFX-INST_N0_COND-Task_VOI-Reference.vmp", "RFX-dGCM_N0_COND-Task_VOI-Reference.vmp"}) {
        ASSERT_TRUE(exists(file)) << file;
        EXPECT_TRUE(maps(file).maps.empty()) << file;
    }
}

TEST_F(GcmRunTest, MillisecondProtocolWithoutRepetitionTimeSaysSo) {
    writeStudy();
    auto vtc = talvora::formats::readVtcFile(dir() / "S01/run1.vtc");
    vtc.header.tr = 0.4f;  // the host accepts it; in whole milliseconds it is 0
    talvora::formats::writeVtcFile(dir() / "S01/notr.vtc", vtc.header, vtc.floatValues);
    talvora::formats::ProtocolFile prt;
    prt.conditions.push_back({"Task", {10000}, {19999}});
    talvora::formats::writeProtocolFile(dir() / "ms.prt", prt);
    json job = {
        {"documents",
         {{"vmr", "anatomy.vmr"}, {"vtc", "S01/notr.vtc"}, {"protocols", {{"S01/notr.vtc", "ms.prt"}}}}}};
    const auto r =
        run(json::array({startCheck(), runCommand("S01", 2, {{"SubjVTC-1", "S01/notr.vtc"}})}), job);
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, false}));
    EXPECT_TRUE(
        logged("// GCM> ERROR: The VTC's repetition time is 0 ms: the protocol's milliseconds cannot be "
               "converted to volumes"));
    EXPECT_FALSE(loggedContaining("Could not get access to VTC"));
}

TEST_F(GcmRunTest, FolderNamedLikeTheSettingsFileCannotBeOpened) {
    writeStudy();
    fs::remove(dir() / "plugins/VUVIrurar.ini");
    fs::create_directories(dir() / "plugins/VUVIrurar.ini");
    const auto r = run(json::array({startCheck(), runCommand("S01", 2)}));
    EXPECT_EQ(r.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(
        logged("// GCM> WARNING: Could not find or open " + (dir() / "plugins/VUVIrurar.ini").string()));
    EXPECT_TRUE(logged("// GCM> WARNING: Dismissing .ini-file: it was invalid or could not be found"));
}
