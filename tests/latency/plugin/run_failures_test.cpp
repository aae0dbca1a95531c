// The latency run's failure paths, driven on a host table the test fills
// itself: a host that lacks a function, answers with an unusable header,
// cannot create or save the maps, cannot take a file, or throws.

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "frame/plugin_hosts.h"
#include "latency/plugin/latency_mapping.h"

namespace {

namespace fs = std::filesystem;
using tl::g_latmapHost;

// The fake host's state: a 2 x 1 x 1 VTC grid of 3 mm cells, voxel 0
// masked, 84 volumes at TR 1 s, "Task" trials at 4, 24, 44 and 64 s.
struct FakeHost {
    std::vector<std::string> log;
    std::vector<std::string> messages;
    std::deque<std::string> answers;
    tl::VTCHeaderRecord header{};
    bool createMaps = true;
    bool saveMaps = true;
    bool throwOnProtocol = false;
    bool throwNonStandard = false;
    std::vector<std::int32_t> starts = {4000, 24000, 44000, 64000};
    std::vector<std::int32_t> ends = {5000, 25000, 45000, 65000};
    unsigned char mask[2] = {1, 0};
    std::vector<std::vector<float>> maps;
    std::vector<std::vector<char>> mapNames;
    std::vector<std::string> savedAs;
};
FakeHost* g_fake = nullptr;

std::string nextAnswer() {
    if (g_fake->answers.empty()) return "";
    std::string answer = g_fake->answers.front();
    g_fake->answers.pop_front();
    return answer;
}

float signalAt(int volume) {
    double change = 0.0;
    for (std::int32_t onset : g_fake->starts) {
        const double t = volume * 1000.0 - onset;
        if (t > 2000 && t < 4000)
            change += 0.02 * (t - 2000) / 2000;
        else if (t >= 4000 && t <= 8000)
            change += 0.02;
        else if (t > 8000 && t < 10000)
            change += 0.02 * (10000 - t) / 2000;
    }
    return static_cast<float>(1000.0 * (1.0 + change));
}

void installFakeHost() {
    g_latmapHost = tl::HostTable{};
    auto& h = g_latmapHost;
    h.hxLogText = [](const char* text) { g_fake->log.push_back(text); };
    h.hxMessageBox = [](const char* text) { g_fake->messages.push_back(text); };
    h.hxGetCurrentVMR = [](int* x, int* y, int* z) {
        *x = *y = *z = 64;
        return 1;
    };
    h.hxGetIntegerInput = [](const char*, int, int minimum, int) {
        const std::string a = nextAnswer();
        return a.empty() ? minimum - 1 : std::stoi(a);
    };
    h.hxGetFloatInput = [](const char*, float, float minimum, float) {
        const std::string a = nextAnswer();
        return a.empty() ? minimum - 1.0f : std::stof(a);
    };
    h.hxYesNoMessageBox = [](const char*) { return nextAnswer() == "yes" ? 1 : 0; };
    h.hxGetOpenFileName = [](const char*, const char*, const char*, char* result) {
        const std::string a = nextAnswer();
        if (a.empty()) return 0;
        std::strcpy(result, a.c_str());
        return 1;
    };
    h.hxGetSaveFileName = h.hxGetOpenFileName;
    h.hxClearMultiVTCAnalysis = [] {};
    h.hxAddVTCRefForMultiVTCAnalysis = [](const char*) { return 1; };
    h.hxLinkVTCToCurrentVMR = [](const char*, int) { return 1; };
    h.hxGetHeaderOfVTCOfCurrentVMR = [](tl::VTCHeaderRecord* header) {
        *header = g_fake->header;
        return 1;
    };
    h.hxGetVoxelTimeCourseOfVTC = [](int, int, float* values) {
        for (int i = 0; i < g_fake->header.nrOfVolumes; ++i) values[i] = signalAt(i);
        return 1;
    };
    h.hxLoadMaskToCurrentVMR = [](const char*) { return 1; };
    h.hxGetMaskOfCurrentVMR = []() -> unsigned char* { return g_fake->mask; };
    h.hxGetProtocol = [](tl::ProtocolRecord* protocol) {
        if (g_fake->throwNonStandard) throw 42;
        if (g_fake->throwOnProtocol) throw std::runtime_error("protocol store gone");
        protocol->nrOfConditions = 1;
        protocol->timeUnit = 2;
        return 1;
    };
    h.hxGetProtocolCondition = [](int, tl::ProtocolConditionRecord* condition) {
        std::strcpy(condition->name, "Task");
        condition->nrOfIntervals = static_cast<std::int32_t>(g_fake->starts.size());
        condition->starts = g_fake->starts.data();
        condition->ends = g_fake->ends.data();
        return 1;
    };
    h.hxDeleteNRVMPsOfCurrentVMR = [] {
        g_fake->maps.clear();
        return 1;
    };
    h.hxCreateNRVMPsForCurrentVMR = [](int count, int, int, tl::NRVMPSetRecord*) {
        if (!g_fake->createMaps) return 0;
        g_fake->maps.assign(static_cast<std::size_t>(count), std::vector<float>(2, 0.0f));
        g_fake->mapNames.assign(static_cast<std::size_t>(count),
                                std::vector<char>(tl::kMapNameCapacity, '\0'));
        return 1;
    };
    h.hxGetNRVMPsOfCurrentVMR = [](tl::NRVMPSetRecord*) { return 1; };
    h.hxGetNRVMPOfCurrentVMR = [](int index, tl::NRVMPRecord* record) -> float* {
        record->name = g_fake->mapNames[static_cast<std::size_t>(index)].data();
        return g_fake->maps[static_cast<std::size_t>(index)].data();
    };
    h.hxSetNRVMPParametersOfCurrentVMR = [](int, tl::NRVMPRecord*) { return 1; };
    h.hxSaveNRVMPsOfCurrentVMR = [](const char* path) {
        g_fake->savedAs.push_back(path);
        return g_fake->saveMaps ? 1 : 0;
    };
}

class RunFailures : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = &fake_;
        fake_.header.present = 0;
        fake_.header.nrOfVolumes = 84;
        fake_.header.tr = 1000;
        fake_.header.xStart = 0;
        fake_.header.xEnd = 6;
        fake_.header.yStart = 0;
        fake_.header.yEnd = 3;
        fake_.header.zStart = 0;
        fake_.header.zEnd = 3;
        fake_.header.resolution = 3;
        fake_.header.dataType = 2;
        // Mask run, one VTC, condition 1, no interpolation, 16 s, no single
        // trials, return to baseline, save as maps.blm.
        fake_.answers = {"3", "run1.vtc", "", "mask.msk", "1", "1", "16000", "no", "yes", "maps.blm"};
        installFakeHost();
        dir_ = fs::temp_directory_path() / ("latency_failures_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(dir_);
        g_latmapHost = tl::HostTable{};
        g_fake = nullptr;
    }
    const std::string& lastLog() const {
        static const std::string none = "(nothing logged)";
        return fake_.log.empty() ? none : fake_.log.back();
    }
    bool logged(const std::string& line) const {
        for (const std::string& l : fake_.log)
            if (l == line) return true;
        return false;
    }

    FakeHost fake_;
    fs::path dir_, previous_;
};

TEST_F(RunFailures, TheFakeHostCarriesAWholeRun) {
    EXPECT_TRUE(latency::plugin::runLatencyMapping());
    EXPECT_EQ(lastLog(), "// VOZU Rudoruz Ori> Done. Now, you can overlay the BLM maps.");
    ASSERT_EQ(fake_.maps.size(), 4u);
    EXPECT_FLOAT_EQ(fake_.maps[0][0], 2.1f);
    EXPECT_EQ(fake_.maps[0][1], 0.0f);
    EXPECT_STREQ(fake_.mapNames[3].data(), "Amplitude (psc)");
    EXPECT_EQ(fake_.savedAs, std::vector<std::string>{"maps.blm"});
    EXPECT_TRUE(fs::exists(dir_ / "AvgTrials_Results.txt"));
    EXPECT_TRUE(fake_.messages.empty());
}

TEST_F(RunFailures, EveryMissingMainRoadFunctionIsNamedBeforeAnyQuestion) {
    const std::vector<std::pair<const char*, void (*)()>> removals = {
        {"hxGetCurrentVMR", [] { g_latmapHost.hxGetCurrentVMR = nullptr; }},
        {"hxLogText", [] { g_latmapHost.hxLogText = nullptr; }},
        {"hxGetFloatInput", [] { g_latmapHost.hxGetFloatInput = nullptr; }},
        {"hxGetHeaderOfVTCOfCurrentVMR", [] { g_latmapHost.hxGetHeaderOfVTCOfCurrentVMR = nullptr; }},
        {"hxGetVoxelTimeCourseOfVTC", [] { g_latmapHost.hxGetVoxelTimeCourseOfVTC = nullptr; }},
        {"hxGetProtocolCondition", [] { g_latmapHost.hxGetProtocolCondition = nullptr; }},
        {"hxSaveNRVMPsOfCurrentVMR", [] { g_latmapHost.hxSaveNRVMPsOfCurrentVMR = nullptr; }},
    };
    for (const auto& [name, remove] : removals) {
        installFakeHost();
        remove();
        fake_.messages.clear();
        fake_.log.clear();
        const std::size_t answersBefore = fake_.answers.size();
        EXPECT_FALSE(latency::plugin::runLatencyMapping()) << name;
        EXPECT_EQ(
            fake_.messages,
            std::vector<std::string>{std::string("VOZU Rudoruz Ori> This host does not offer the function ") +
                                     name + ", which the plugin needs."})
            << name;
        EXPECT_TRUE(fake_.log.empty()) << name;
        EXPECT_EQ(fake_.answers.size(), answersBefore) << name;
    }
}

TEST_F(RunFailures, OptionalFunctionsMayBeMissing) {
    g_latmapHost.hxShowLogTab = nullptr;
    g_latmapHost.hxShowBusyCursor = nullptr;
    g_latmapHost.hxGetGLMOfCurrentVMR = nullptr;
    EXPECT_TRUE(latency::plugin::runLatencyMapping());
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> GLM fits not available ..."));
}

TEST_F(RunFailures, UnusableFirstHeadersStopTheRun) {
    struct Case {
        int volumes, tr, xEnd;
        const char* line;
    };
    const Case cases[] = {
        {1, 1000, 6,
         "VOZU Rudoruz Ori>  The first VTC's header cannot be used: 1 volumes, TR 1000 ms, grid 2 x 1 x 1."},
        {84, 0, 6,
         "VOZU Rudoruz Ori>  The first VTC's header cannot be used: 84 volumes, TR 0 ms, grid 2 x 1 x 1."},
        {84, 1000, 0,
         "VOZU Rudoruz Ori>  The first VTC's header cannot be used: 84 volumes, TR 1000 ms, grid 0 x 1 x 1."},
    };
    for (const Case& c : cases) {
        fake_.header.nrOfVolumes = c.volumes;
        fake_.header.tr = c.tr;
        fake_.header.xEnd = c.xEnd;
        fake_.answers = {"3", "run1.vtc", ""};
        fake_.log.clear();
        EXPECT_FALSE(latency::plugin::runLatencyMapping()) << c.line;
        EXPECT_EQ(lastLog(), c.line);
    }
    fake_.header.nrOfVolumes = 84;
    fake_.header.tr = 1000;
    fake_.header.xEnd = 6;
    fake_.header.present = -1;
    fake_.answers = {"3", "run1.vtc", ""};
    EXPECT_FALSE(latency::plugin::runLatencyMapping());
    EXPECT_EQ(lastLog(), "VOZU Rudoruz Ori>  Could not get the first VTC!");
}

TEST_F(RunFailures, MapsTheHostCannotCreateEndTheRunWithoutSaving) {
    fake_.createMaps = false;
    EXPECT_FALSE(latency::plugin::runLatencyMapping());
    EXPECT_EQ(lastLog(), "VOZU Rudoruz Ori> The host could not create the latency maps. Exiting plugin...");
    EXPECT_TRUE(fake_.savedAs.empty());
    // The results were written before the maps were asked for.
    EXPECT_TRUE(fs::exists(dir_ / "AvgTrials_Results.txt"));
}

TEST_F(RunFailures, ABlmFileTheHostCannotSaveIsLoggedAndTheRunEndsAsDone) {
    fake_.saveMaps = false;
    EXPECT_TRUE(latency::plugin::runLatencyMapping());
    EXPECT_EQ(fake_.savedAs, std::vector<std::string>{"maps.blm"});
    const auto& log = fake_.log;
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "VOZU Rudoruz Ori> Could not save the BLM file: maps.blm");
    EXPECT_EQ(log.back(), "// VOZU Rudoruz Ori> Done. Now, you can overlay the BLM maps.");
}

TEST_F(RunFailures, FilesThatCannotBeWrittenAreNamedAndTheRunGoesOn) {
    // A folder in the way of each output file: the rename onto it fails.
    fs::create_directories(dir_ / "AvgTrials_Results.txt");
    fs::create_directories(dir_ / "AvgTrials_Regions.csv");
    EXPECT_TRUE(latency::plugin::runLatencyMapping());
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> Cannot write file: AvgTrials_Results.txt"));
    EXPECT_TRUE(logged("VOZU Rudoruz Ori> Cannot write file: AvgTrials_Regions.csv"));
    EXPECT_FALSE(
        logged("VOZU Rudoruz Ori> Voxel of every region (VTC and VMR coordinates): AvgTrials_Regions.csv"));
    EXPECT_TRUE(fs::is_directory(dir_ / "AvgTrials_Results.txt"));
    // Nothing half-written is left beside them.
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    EXPECT_EQ(fake_.savedAs, std::vector<std::string>{"maps.blm"});
}

TEST_F(RunFailures, AnExceptionFromTheHostEndsOnlyTheRun) {
    fake_.throwOnProtocol = true;
    EXPECT_FALSE(latency::plugin::runLatencyMapping());
    EXPECT_EQ(lastLog(), "VOZU Rudoruz Ori> Run failed: protocol store gone. Exiting plugin...");
    fake_.throwOnProtocol = false;
    fake_.throwNonStandard = true;
    fake_.answers = {"3", "run1.vtc", "", "mask.msk"};
    EXPECT_FALSE(latency::plugin::runLatencyMapping());
    EXPECT_EQ(lastLog(), "VOZU Rudoruz Ori> Run failed. Exiting plugin...");
    // The busy cursor was never left on: the next run works.
    fake_.throwNonStandard = false;
    fake_.answers = {"3", "run1.vtc", "", "mask.msk", "1", "1", "16000", "no", "yes", "maps.blm"};
    EXPECT_TRUE(latency::plugin::runLatencyMapping());
}

}  // namespace
