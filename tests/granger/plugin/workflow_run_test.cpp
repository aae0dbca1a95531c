// A whole run through the stand-in host: log file, map file, group files.
#include "gcm_run_fixture.h"

#include "host/formats/vtc_file.h"

#include <cmath>

using namespace gcm_test;
using nlohmann::json;

namespace {

const char* const kExpectedLog =
    "Created by GCM-plugin version 2.7\n"
    "\n"
    "Global parameter values \n"
    "------------------------\n"
    "MapTypesComputed= INST DGCM \n"
    "DGCM_ITInstLowerThres= 0.05\n"
    "QThresholdsForFDR= 0.01 0.05 0.1 \n"
    "CVConstantForFDR= 2\n"
    "ShowVerboseProgressLog= 1\n"
    "MapScaleFactor= 100\n"
    "AutoRegressionOrder= 1\n"
    "FirstTimePointInclusionThres= 100\n"
    "NumSurrogateSimulations= 100\n"
    "NumDiscardedSimulatedTimePoints= 100\n"
    "\n"
    "VOI: Reference\n"
    "**************\n"
    "\n"
    "\tCondition: Task\n"
    "\t---------------\n"
    "\tVTC: S01/run1.vtc\n"
    "\tintv(s):\n"
    "\t\t11\t-\t60\n"
    "\t\t71\t-\t120\n"
    "\tTotal nr. time-points: 100\n"
    "\tEffective nr. time-points: 98\n"
    "\tVoxels skipped: 0\t(0%)\n"
    "\tVoxels ill-defined: 0\t(0%)\n"
    "\tSurrogates ill-defined: 0\t(0%)\n";

json groupCommand(int method, int subjects) {
    json p = {{"NrOfSubjects", subjects}, {"SelectedTimeWindowMethod", method}, {"SubjectSpecificVOIs", 0}};
    for (int s = 1; s <= subjects; ++s) {
        p["SubjID-" + std::to_string(s)] = study::subjectId(s);
        p["SubjDataFolder-" + std::to_string(s)] = study::subjectId(s) + "/";
    }
    return {{"command", "PrepareForANCOVA"}, {"parameters", p}};
}

}  // namespace

TEST_F(GcmRunTest, ProtocolRunWritesTheLogFileAndTheMapFile) {
    writeStudy();
    const auto result = run(json::array({startCheck(), runCommand("S01", 2)}));
    ASSERT_EQ(result.error, "");
    ASSERT_EQ(result.executeResults, (std::vector<bool>{true, true}));
    EXPECT_EQ(readText("S01/S01_COND-Task_VOI-Reference.log"), kExpectedLog);
    EXPECT_TRUE(logged("// GCM> \t\t11\t-\t60"));
    EXPECT_TRUE(
        logged("// GCM> \tWARNING: The specified protocol has millisecond resolution, GCM requires volumes"));
    EXPECT_TRUE(logged("GCM>\nGCM> Written data: S01/S01_COND-Task_VOI-Reference.gcm"));
    EXPECT_TRUE(logged("GCM> Written  log: S01/S01_COND-Task_VOI-Reference.log"));
    EXPECT_TRUE(logged("gcm_pars dims: xs: 100 xe: 118  ys: 100 ye: 112  zs: 100 ze: 103"));
    EXPECT_TRUE(logged("// GCM> \n// GCM> Done, all computations succesful"));
    EXPECT_TRUE(logged("//  End GCM-Plugin output"));

    const auto set = maps("S01/S01_COND-Task_VOI-Reference.gcm");
    ASSERT_EQ(set.maps.size(), 2u);
    EXPECT_EQ(set.nrOfThresholds, 3);
    EXPECT_EQ(set.thresholdLabels,
              (std::vector<std::string>{"thres q=0.010", "thres q=0.050", "thres q=0.100"}));
    EXPECT_EQ(set.grid.dimX(), 6);
    const auto& inst = set.maps[0];
    const auto& dgcm = set.maps[1];
    EXPECT_EQ(inst.name, "Task: Inst");
    EXPECT_EQ(dgcm.name, "Task: dGCM");
    for (const auto* m : {&inst, &dgcm}) {
        EXPECT_EQ(m->mapType, 101);
        EXPECT_EQ(m->useColors, 1);
        ASSERT_EQ(m->fdrThresholds.size(), 3u);
        EXPECT_EQ(m->lowerThreshold, m->fdrThresholds[0]);
        // A larger false-discovery rate never asks for a higher threshold, unless it was never reached (0).
        for (int k = 1; k < 3; ++k)
            if (m->fdrThresholds[k] != 0.0f) {
                EXPECT_LE(m->fdrThresholds[k], m->fdrThresholds[k - 1]);
            }
        // Every threshold is one of the map's own absolute values (or 0).
        for (float t : m->fdrThresholds) {
            if (t == 0.0f) continue;
            bool found = false;
            for (float v : m->values) found = found || std::fabs(v) == t;
            EXPECT_TRUE(found) << t;
        }
    }
    EXPECT_FLOAT_EQ(inst.upperThreshold, 5.0f * inst.lowerThreshold);
    EXPECT_FLOAT_EQ(dgcm.upperThreshold, 3.0f * dgcm.lowerThreshold);
    EXPECT_EQ(inst.colorPositiveLow, (talvora::formats::Rgb{0, 0, 64}));
    EXPECT_EQ(inst.colorPositiveHigh, (talvora::formats::Rgb{0, 0, 255}));
    EXPECT_EQ(inst.colorNegativeLow, (talvora::formats::Rgb{0, 0, 0}));
    EXPECT_EQ(dgcm.colorPositiveLow, (talvora::formats::Rgb{64, 0, 0}));
    EXPECT_EQ(dgcm.colorPositiveHigh, (talvora::formats::Rgb{255, 0, 0}));
    EXPECT_EQ(dgcm.colorNegativeLow, (talvora::formats::Rgb{0, 64, 0}));
    EXPECT_EQ(dgcm.colorNegativeHigh, (talvora::formats::Rgb{0, 255, 0}));
    // Instantaneous dependence is never negative; the reference voxels are the strongest.
    for (float v : inst.values) EXPECT_GE(v, 0.0f);
    EXPECT_GT(inst.values[0], 100.0f);
}

TEST_F(GcmRunTest, FixedClockMakesRunsRepeatable) {
    writeStudy();
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    const std::string first = readText("S01/S01_COND-Task_VOI-Reference.gcm");
    talvora::HostState::instance().reset();
    talvora::HostState::instance().echo = false;
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    EXPECT_EQ(readText("S01/S01_COND-Task_VOI-Reference.gcm"), first);
}

TEST_F(GcmRunTest, ManualIntervalRunNamesItsFilesAfterTheRun) {
    writeStudy();
    const auto result = run(json::array({startCheck(), runCommand("S02", 1)}));
    ASSERT_EQ(result.executeResults, (std::vector<bool>{true, true}));
    EXPECT_TRUE(exists("S02/S02_RUNCOND-Task_VOI-Reference.gcm"));
    const std::string log = readText("S02/S02_RUNCOND-Task_VOI-Reference.log");
    EXPECT_NE(log.find("\t\t11\t-\t120\n\tTotal nr. time-points: 110\n\tEffective nr. time-points: 109\n"),
              std::string::npos);
}

TEST_F(GcmRunTest, SkippedVoxelsAreCountedFromTheFirstVolume) {
    auto options = smallStudy();
    options.settings += "FirstTimePointInclusionThres= 1050\n";
    writeStudy(options);
    // Independent count: voxels whose first value is not above 1050.
    const auto vtc = talvora::formats::readVtcFile(dir() / "S01/run1.vtc");
    const int v = vtc.header.nrOfVolumes;
    int skipped = 0;
    const int voxels = static_cast<int>(vtc.header.grid.voxelCount());
    for (int i = 0; i < voxels; ++i)
        skipped += vtc.floatValues[static_cast<std::size_t>(i * v)] <= 1050.0f ? 1 : 0;
    ASSERT_GT(skipped, 0);
    ASSERT_LT(skipped, voxels);
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    std::ostringstream want;
    want << "\tVoxels skipped: " << skipped << "\t(" << 100.0 * skipped / voxels << "%)\n";
    EXPECT_NE(readText("S01/S01_COND-Task_VOI-Reference.log").find(want.str()), std::string::npos)
        << want.str();
    const auto set = maps("S01/S01_COND-Task_VOI-Reference.gcm");
    for (int i = 0; i < voxels; ++i)
        if (vtc.floatValues[static_cast<std::size_t>(i * v)] <= 1050.0f) {
            EXPECT_EQ(set.maps[0].values[static_cast<std::size_t>(i)], 0.0f);
        }
}

TEST_F(GcmRunTest, GroupFilesHoldOneMapPerSubject) {
    writeStudy();
    json commands = json::array({startCheck()});
    for (const char* s : {"S01", "S02"}) {
        commands.push_back(runCommand(s, 1));
        commands.push_back(runCommand(s, 2));
    }
    commands.push_back(groupCommand(2, 2));
    commands.push_back(groupCommand(1, 2));
    const auto result = run(commands);
    ASSERT_EQ(result.executeResults, std::vector<bool>(7, true));
    for (const std::string cond : {"_COND-", "_RUNCOND-"}) {
        const auto inst = maps("RFX-INST_N2" + cond + "Task_VOI-Reference.vmp");
        const auto dgcm = maps("RFX-dGCM_N2" + cond + "Task_VOI-Reference.vmp");
        ASSERT_EQ(inst.maps.size(), 2u);
        ASSERT_EQ(dgcm.maps.size(), 2u);
        for (int s = 0; s < 2; ++s) {
            const std::string id = study::subjectId(s + 1);
            EXPECT_EQ(inst.maps[static_cast<std::size_t>(s)].name, "Subject " + id + ": INST");
            EXPECT_EQ(dgcm.maps[static_cast<std::size_t>(s)].name, "Subject " + id + ": dGCM");
            const auto subject = maps(id + "/" + id + cond + "Task_VOI-Reference.gcm");
            EXPECT_EQ(inst.maps[static_cast<std::size_t>(s)].values, subject.maps[0].values);
            EXPECT_EQ(dgcm.maps[static_cast<std::size_t>(s)].values, subject.maps[1].values);
            EXPECT_EQ(dgcm.maps[static_cast<std::size_t>(s)].fdrThresholds, subject.maps[1].fdrThresholds);
        }
    }
}

TEST_F(GcmRunTest, DrivenVoxelsHaveAPositiveDifferenceAndDriversANegativeOne) {
    auto options = smallStudy();
    options.dimX = 12;
    options.dimY = 8;
    options.volumes = 300;
    options.subjects = 1;
    options.settings = "AutoRegressionOrder= 2\nNumSurrogateSimulations= 200\n";
    writeStudy(options);
    ASSERT_EQ(run(json::array({startCheck(), runCommand("S01", 2)})).executeResults,
              (std::vector<bool>{true, true}));
    const auto set = maps("S01/S01_COND-Task_VOI-Reference.gcm");
    const auto kinds = study::grangerVoxelKinds(options);
    double driven = 0, driving = 0, independent = 0;
    int nDriven = 0, nDriving = 0, nIndependent = 0, drivenAbove = 0, independentAbove = 0;
    const float threshold = set.maps[1].fdrThresholds[1];  // q = 0.05
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const float d = set.maps[1].values[i];
        switch (kinds[i]) {
            case study::VoxelKind::DrivenLag1:
            case study::VoxelKind::DrivenLag2:
                driven += d;
                ++nDriven;
                drivenAbove += threshold > 0 && d > threshold ? 1 : 0;
                EXPECT_GT(d, 0.0f) << i;
                break;
            case study::VoxelKind::Driving:
                driving += d;
                ++nDriving;
                EXPECT_LT(d, 0.0f) << i;
                break;
            case study::VoxelKind::Independent:
                independent += d;
                ++nIndependent;
                independentAbove += threshold > 0 && std::fabs(d) > threshold ? 1 : 0;
                break;
            default:
                break;
        }
    }
    EXPECT_GT(driven / nDriven, 10.0);  // scaled by 100
    EXPECT_LT(driving / nDriving, -10.0);
    EXPECT_LT(std::fabs(independent / nIndependent), 5.0);
    EXPECT_GT(drivenAbove, nDriven / 2);
    EXPECT_LE(independentAbove, nIndependent / 10 + 1);
}
