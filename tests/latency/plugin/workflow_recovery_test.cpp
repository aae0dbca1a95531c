// Recovered response measures against the truth of studies written by
// talvora-make-study, with noise: the generator's own job files run the
// plug-in, and the estimates must lie near the true measures.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "host/documents/documents.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "latency/tools/average_results.h"
#include "tools/make_study/study_design.h"
#include "tools/make_study/study_files.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("latency_recovery_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        talvora::HostState::instance().reset();
        talvora::HostState::instance().echo = false;
    }
    void TearDown() override {
        talvora::closeDocuments();
        talvora::HostState::instance().reset();
        if (!HasFailure()) fs::remove_all(dir_);
    }

    study::StudyDesign writeStudy(const study::StudyOptions& options) {
        const study::StudyDesign design = study::planStudy(options);
        std::ostringstream progress;
        study::writeStudy(design, dir_, progress);
        return design;
    }

    // Runs one of the study's job files; the results of the run's folder.
    std::vector<latency::tools::RegionResults> runJob(const std::string& jobName) {
        const talvora::Job job = talvora::readJob(dir_ / ("job_" + jobName + ".json"));
        const talvora::RunResult result = talvora::runJob(job, fs::path(LATMAP_PLUGIN_PATH).parent_path());
        EXPECT_EQ(result.error, "");
        EXPECT_EQ(result.executeResults, std::vector<bool>{true});
        const fs::path resultsFile = dir_ / ("out_" + jobName) / "AvgTrials_Results.txt";
        std::ifstream in(resultsFile);
        return latency::tools::readAverageResults(in, resultsFile.string());
    }

    fs::path dir_;
};

float meanOfValid(const std::vector<float>& values) {
    float sum = 0.0f;
    int n = 0;
    for (float v : values)
        if (v >= 0.0f) {
            sum += v;
            ++n;
        }
    return n ? sum / static_cast<float>(n) : -1.0f;
}

// Every region's across-VTC estimates against its expected measures: onset
// and width within toleranceS, time to peak within the plateau's range
// (toleranceS of slack), amplitude within `amplitudeTolerance` (relative).
void expectRecovered(const json& truth, const std::vector<latency::tools::RegionResults>& results,
                     const char* expectedKey, double toleranceS, double amplitudeTolerance) {
    const double dtS = toleranceS;
    const json& regions = truth["regions"];
    ASSERT_EQ(results.size(), regions.size());
    for (std::size_t r = 0; r < results.size(); ++r) {
        SCOPED_TRACE(regions[r]["name"].get<std::string>());
        const json& e = regions[r][expectedKey];
        EXPECT_NEAR(meanOfValid(results[r].measures[0]), e["onset_s"].get<double>(), dtS + 1e-4);
        EXPECT_NEAR(meanOfValid(results[r].measures[1]), e["width_s"].get<double>(), dtS + 1e-4);
        const float peak = meanOfValid(results[r].measures[2]);
        EXPECT_GE(peak, e["time_to_peak_range_s"][0].get<double>() - dtS - 1e-4);
        EXPECT_LE(peak, e["time_to_peak_range_s"][1].get<double>() + dtS + 1e-4);
        const double amplitude = e["amplitude_psc"].get<double>();
        EXPECT_NEAR(meanOfValid(results[r].measures[3]), amplitude, amplitudeTolerance * amplitude);
    }
}

json readTruth(const fs::path& dir) {
    std::ifstream in(dir / "truth.json");
    return json::parse(in);
}

TEST_F(Recovery, VoiAveragesAtSnrThree) {
    study::StudyOptions options;  // 2 runs, 12 trials, 3 regions, TR 1 s, SNR 3 per voxel
    options.snr = 3.0;
    options.seed = 7;
    writeStudy(options);
    expectRecovered(readTruth(dir_), runJob("mode1"), "expected", 1.0, 0.05);
}

TEST_F(Recovery, VoiAveragesAtSnrOneWithInterpolation) {
    study::StudyOptions options;
    options.snr = 1.0;
    options.seed = 11;
    options.factor = 2;
    writeStudy(options);
    // Two samples of 0.5 s.
    expectRecovered(readTruth(dir_), runJob("mode1"), "expected", 1.0, 0.15);
}

TEST_F(Recovery, DeconvolutionBetasAtSnrThree) {
    study::StudyOptions options;
    options.snr = 3.0;
    options.seed = 5;
    writeStudy(options);
    expectRecovered(readTruth(dir_), runJob("glm"), "expected_glm", 1.0, 0.05);
}

TEST_F(Recovery, MaskedVoxelsAtSnrThreeMostlyWithinOneSample) {
    study::StudyOptions options;
    options.snr = 3.0;
    options.seed = 3;
    const study::StudyDesign design = writeStudy(options);
    const auto results = runJob("mode3");
    // Regions are the masked voxels in linear order.
    std::vector<int> regionOfMasked;
    for (int z = 0; z < design.dimZ(); ++z)
        for (int y = 0; y < design.dimY(); ++y)
            for (int x = 0; x < design.dimX(); ++x)
                if (design.mask[design.voxelIndex(x, y, z)])
                    regionOfMasked.push_back(design.regionOf(x, y, z));
    ASSERT_EQ(results.size(), regionOfMasked.size());
    const json truth = readTruth(dir_);
    int inRegion = 0, close = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (regionOfMasked[i] < 0) continue;
        ++inRegion;
        const json& e = truth["regions"][static_cast<std::size_t>(regionOfMasked[i])]["expected"];
        const float onset = meanOfValid(results[i].measures[0]);
        const float width = meanOfValid(results[i].measures[1]);
        close += std::fabs(onset - e["onset_s"].get<double>()) <= 1.0001 &&
                 std::fabs(width - e["width_s"].get<double>()) <= 1.0001;
    }
    ASSERT_GT(inRegion, 0);
    // Single voxels are noisy (per-voxel SNR 3 over 12 trials): most, not all.
    EXPECT_GE(static_cast<double>(close) / inRegion, 0.8) << close << " of " << inRegion;
}

}  // namespace
