// The example-study generator: its layout, noise-free signals against the
// trapezoid they come from, the deconvolution GLM against closed forms, the
// truth against a literal breakpoint search, and the files it writes.
#include "host/documents/documents.h"
#include "host/formats/glm_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "support/test_files.h"
#include "tools/make_study/deconvolution_glm.h"
#include "tools/make_study/job_files.h"
#include "tools/make_study/signal_model.h"
#include "tools/make_study/study_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using nlohmann::json;
using test_support::readBytes;
using test_support::TempFolder;
namespace fmt = talvora::formats;

namespace {

study::StudyOptions noiseFree() {
    study::StudyOptions o;
    o.snr = 0.0;
    o.trials = 4;
    return o;
}

// Literal breakpoint search of the latency fit, written out plainly: every
// 0 <= i1 < i2 < i3 < i4 <= n-1, levels as means of the normalised curve,
// squared error, first best set wins. Returns onset, width, time to peak
// (seconds) and amplitude (percent) with return-to-baseline on.
std::array<double, 4> literalFitMeasures(const std::vector<double>& y, double dt) {
    const int n = static_cast<int>(y.size());
    int p = 0;
    for (int i = 1; i < n; ++i)
        if (y[i] > y[p]) p = i;
    double ymin = y[0];
    for (int i = 0; i < p; ++i) ymin = std::min(ymin, y[i]);
    const double ymax = y[p];
    std::vector<double> z(n);
    for (int i = 0; i < n; ++i) z[i] = (y[i] - ymin) / (ymax - ymin);
    auto mean = [&](int a, int b) {
        double s = 0;
        for (int i = a; i <= b; ++i) s += z[i];
        return s / (b - a + 1);
    };
    double best = 1e300;
    int b1 = 0, b3 = 0;
    double bl0 = 0, bl1 = 0;
    for (int i1 = 0; i1 <= n - 4; ++i1)
        for (int i2 = i1 + 1; i2 <= n - 3; ++i2)
            for (int i3 = i2 + 1; i3 <= n - 2; ++i3)
                for (int i4 = i3 + 1; i4 <= n - 1; ++i4) {
                    const double l0 = mean(0, i1), l1 = mean(i2, i3), l2 = mean(i4, n - 1);
                    double e = 0;
                    for (int i = 0; i < n; ++i) {
                        double g;
                        if (i <= i1)
                            g = l0;
                        else if (i < i2)
                            g = l0 + (i - i1) * (l1 - l0) / (i2 - i1);
                        else if (i <= i3)
                            g = l1;
                        else if (i < i4)
                            g = l1 + (i - i3) * (l2 - l1) / (i4 - i3);
                        else
                            g = l2;
                        e += (g - z[i]) * (g - z[i]);
                    }
                    if (e < best - 1e-12) {
                        best = e;
                        b1 = i1;
                        b3 = i3;
                        bl0 = l0;
                        bl1 = l1;
                    }
                }
    const double amplitude = (ymax - ymin) * (bl1 - bl0);
    return {(b1 * dt + 100) / 1000, ((b3 - b1 + 1) * dt + 100) / 1000, ((p - b1 + 1) * dt + 100) / 1000,
            100 * amplitude};
}

}  // namespace

TEST(MakeStudy, DefaultLayout) {
    const study::StudyDesign d = study::planStudy(study::StudyOptions{});
    EXPECT_EQ(d.dimX(), 20);
    EXPECT_EQ(d.dimY(), 20);
    EXPECT_EQ(d.dimZ(), 10);
    EXPECT_EQ(d.grid.resolution, 3);
    ASSERT_EQ(d.regions.size(), 3u);
    std::size_t masked = 0;
    for (auto m : d.mask) masked += m;
    EXPECT_EQ(masked, 3u * 48u);  // three 4 x 4 x 3 regions
    ASSERT_EQ(d.onsetsMs.size(), 12u);
    for (int onset : d.onsetsMs) EXPECT_EQ(onset % d.options.trMs, 0);
    // The last trial's window fits the run, so the plug-in keeps it.
    EXPECT_GE(d.nrOfVolumes * d.options.trMs - d.onsetsMs.back(), d.jobWindowMs());
    EXPECT_GT((d.nrOfVolumes - 1) * d.options.trMs, d.onsetsMs.back() + d.jobWindowMs());
    EXPECT_EQ(d.deconvolutionPoints, 17);
    for (const study::Region& r : d.regions) EXPECT_LE(r.response.endMs(), d.itiMs);
}

TEST(MakeStudy, VoxelwiseMaskHasExactlyTheAskedSize) {
    study::StudyOptions o;
    o.maskSize = 20000;
    const study::StudyDesign d = study::planStudy(o);
    std::size_t masked = 0;
    for (auto m : d.mask) masked += m;
    EXPECT_EQ(masked, 20000u);
    for (int z = 0; z < d.dimZ(); ++z)
        for (int y = 0; y < d.dimY(); ++y)
            for (int x = 0; x < d.dimX(); ++x)
                if (d.mask[d.voxelIndex(x, y, z)]) {
                    EXPECT_GE(d.regionOf(x, y, z), 0) << "every masked voxel responds";
                }
}

TEST(MakeStudy, ImpossibleOptionsAreRefused) {
    struct Case {
        void (*change)(study::StudyOptions&);
        const char* message;
    };
    const Case cases[] = {
        {[](study::StudyOptions& o) { o.vtcs = 0; }, "--vtcs"},
        {[](study::StudyOptions& o) { o.trMs = 50; }, "--tr"},
        {[](study::StudyOptions& o) { o.trials = 101; }, "--trials"},
        {[](study::StudyOptions& o) { o.snr = -1; }, "--snr"},
        {[](study::StudyOptions& o) {
             o.dims = {10, 20, 10};
         },
         "--dims too small for 3 regions"},
        {[](study::StudyOptions& o) {
             o.dims = {20, 20, 10};
             o.maskSize = 5000;
         },
         "--dims too small"},
        {[](study::StudyOptions& o) {
             o.trMs = 200;
             o.factor = 4;
         },
         "allows no time window"},
        {[](study::StudyOptions& o) { o.trMs = 5000; }, "is too long"},
    };
    for (const Case& c : cases) {
        study::StudyOptions o;
        c.change(o);
        try {
            study::planStudy(o);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(MakeStudy, NoiseFreeSignalIsTheTrapezoidOnTheBaseline) {
    const study::StudyDesign d = study::planStudy(noiseFree());
    const auto baselines = study::voxelBaselines(d);
    const auto responses = study::regionResponses(d);
    const auto data = study::simulateRun(d, 0, baselines, responses);
    const std::size_t volumes = static_cast<std::size_t>(d.nrOfVolumes);
    const study::Region& r = d.regions[1];
    const std::size_t inside = d.voxelIndex(r.box.x0 + 1, r.box.y0, r.box.z0);
    const std::size_t outside = d.voxelIndex(0, 0, 0);
    for (std::size_t t = 0; t < volumes; ++t) {
        double expected = 0;
        for (int onset : d.onsetsMs)
            expected += study::trapezoidValue(r.response, static_cast<double>(t) * d.options.trMs - onset);
        EXPECT_NEAR(data[inside * volumes + t],
                    baselines[inside] * (1 + r.response.amplitudePsc / 100 * expected), 1e-3);
        EXPECT_EQ(data[outside * volumes + t], baselines[outside]);
    }
    // The trapezoid itself: 0 up to the onset, 1 on the plateau, linear between.
    const study::ResponseShape s{2000, 2000, 3000, 3000, 1.0f};
    EXPECT_EQ(study::trapezoidValue(s, 2000), 0.0);
    EXPECT_EQ(study::trapezoidValue(s, 3000), 0.5);
    EXPECT_EQ(study::trapezoidValue(s, 4000), 1.0);
    EXPECT_EQ(study::trapezoidValue(s, 7000), 1.0);
    EXPECT_NEAR(study::trapezoidValue(s, 8500), 0.5, 1e-12);
    EXPECT_EQ(study::trapezoidValue(s, 10000), 0.0);
}

TEST(MakeStudy, SameSeedSameNoiseOtherSeedOtherNoise) {
    study::StudyOptions o;
    o.trials = 2;
    const study::StudyDesign a = study::planStudy(o);
    o.seed = 2;
    const study::StudyDesign b = study::planStudy(o);
    const auto run = [](const study::StudyDesign& d, int r) {
        return study::simulateRun(d, r, study::voxelBaselines(d), study::regionResponses(d));
    };
    EXPECT_EQ(run(a, 0), run(a, 0));
    EXPECT_NE(run(a, 0), run(a, 1));
    EXPECT_NE(run(a, 0), run(b, 0));
    // The noise is standard normal: mean near 0, variance near 1.
    study::GaussianNoise noise(7);
    double sum = 0, squares = 0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double v = noise.next();
        sum += v;
        squares += v * v;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(squares / n, 1.0, 0.02);
}

TEST(MakeStudy, ExpectedMeasuresAreWhatTheLiteralFitReports) {
    for (int factor : {1, 2, 4}) {
        study::StudyOptions o = noiseFree();
        o.regions = 6;
        o.factor = factor;
        o.dims = {38, 20, 10};
        const study::StudyDesign d = study::planStudy(o);
        const double dt = static_cast<double>(o.trMs) / factor;
        const int n = static_cast<int>(d.jobWindowMs() / dt) + 1;
        for (const study::Region& r : d.regions) {
            SCOPED_TRACE(r.name + " factor " + std::to_string(factor));
            // The noise-free trial sampled at dt from the stimulus on (the exact
            // trapezoid, as interpolation of a sampled trapezoid is not needed here).
            std::vector<double> curve(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i)
                curve[i] = r.response.amplitudePsc / 100 * study::trapezoidValue(r.response, i * dt);
            const auto fitted = literalFitMeasures(curve, dt);
            const study::ExpectedMeasures e = study::expectedMeasures(r.response, dt);
            EXPECT_NEAR(fitted[0], e.onsetS, 1e-9);
            EXPECT_NEAR(fitted[1], e.widthS, 1e-9);
            EXPECT_NEAR(fitted[2], e.timeToPeakS, 1e-9);
            EXPECT_NEAR(fitted[3], e.amplitudePsc, 1e-4);
            EXPECT_GT(e.timeToPeakLatestS, e.timeToPeakS);
        }
    }
    // Closed form for one shape at dt = 250 ms: i1 = 8, i2 = 16, i3 = 28.
    const study::ExpectedMeasures m = study::expectedMeasures({2000, 2000, 3000, 3000, 2.0f}, 250);
    EXPECT_DOUBLE_EQ(m.onsetS, 2.1);
    EXPECT_DOUBLE_EQ(m.widthS, 5.35);
    EXPECT_DOUBLE_EQ(m.timeToPeakS, 2.35);
    EXPECT_DOUBLE_EQ(m.timeToPeakLatestS, 5.35);
}

TEST(MakeStudy, AnatomicalVoxelsMapBackToTheirVtcVoxel) {
    const study::StudyDesign d = study::planStudy(study::StudyOptions{});
    const auto voxels = study::anatomicalVoxelsOf(d.grid, 4, 7, 2);
    EXPECT_EQ(voxels.size(), 27u);
    const int starts[3] = {d.grid.xStart, d.grid.yStart, d.grid.zStart};
    const int expected[3] = {4, 7, 2};
    for (const auto& c : voxels)
        for (int a = 0; a < 3; ++a)
            EXPECT_EQ(static_cast<int>(std::floor(static_cast<float>(c[a] - starts[a]) / 3.0f + 0.5f)),
                      expected[a]);
}

TEST(MakeStudy, NoiseFreeGlmRecoversTheResponseShape) {
    for (bool separate : {true, false}) {
        SCOPED_TRACE(separate ? "separate" : "shared");
        study::StudyOptions o = noiseFree();
        o.vtcs = 2;
        const study::StudyDesign d = study::planStudy(o);
        const auto baselines = study::voxelBaselines(d);
        const auto responses = study::regionResponses(d);
        study::DeconvolutionGlm glm(d, separate);
        for (int run = 0; run < 2; ++run) glm.addRun(run, study::simulateRun(d, run, baselines, responses));
        const fmt::GlmFile g = glm.finish();
        const int p = d.deconvolutionPoints;
        EXPECT_EQ(g.nrOfStudies, 2);
        EXPECT_EQ(g.separatePredictors, separate ? 1 : 0);
        EXPECT_EQ(g.nrOfPredictors, separate ? 2 * p + 2 : p + 2);
        const std::size_t voxels = d.voxelCount();
        const study::Region& r = d.regions[2];
        const std::size_t v = d.voxelIndex(r.box.x0, r.box.y0 + 1, r.box.z0 + 1);
        const std::size_t quiet = d.voxelIndex(0, 0, 0);
        for (int run = 0; run < (separate ? 2 : 1); ++run) {
            // The block of run s starts at map p * s + 2 (separate) or 2 (shared).
            const std::size_t block = 2 + static_cast<std::size_t>(separate ? p * run : 0);
            for (int k = 0; k < p; ++k) {
                const double expected =
                    r.response.amplitudePsc * study::trapezoidValue(r.response, k * d.options.trMs);
                EXPECT_NEAR(g.maps[(block + k) * voxels + v], expected, 1e-3) << "lag " << k;
                EXPECT_NEAR(g.maps[(block + k) * voxels + quiet], 0.0, 1e-3);
            }
        }
        const std::size_t firstConstant = 2 + static_cast<std::size_t>(separate ? 2 * p : p);
        EXPECT_NEAR(g.maps[firstConstant * voxels + v], baselines[v], 1e-2);
        EXPECT_NEAR(g.maps[v], 1.0, 1e-6);           // R²
        EXPECT_NEAR(g.maps[voxels + v], 0.0, 1e-2);  // residual SD
    }
}

TEST(MakeStudy, SharedAndSeparatePredictorsAgreeForOneRun) {
    study::StudyOptions o;
    o.vtcs = 1;
    o.trials = 5;
    const study::StudyDesign d = study::planStudy(o);
    const auto data = study::simulateRun(d, 0, study::voxelBaselines(d), study::regionResponses(d));
    study::DeconvolutionGlm separate(d, true), shared(d, false);
    separate.addRun(0, data);
    shared.addRun(0, data);
    const fmt::GlmFile a = separate.finish(), b = shared.finish();
    ASSERT_EQ(a.maps.size(), b.maps.size());
    for (std::size_t i = 0; i < a.maps.size(); ++i)
        ASSERT_NEAR(a.maps[i], b.maps[i], 1e-3 * (1 + std::fabs(a.maps[i])));
}

TEST(MakeStudy, JobAnswersFollowTheDialogOrder) {
    study::StudyOptions o;
    o.factor = 2;
    const study::StudyDesign d = study::planStudy(o);
    const auto jobs = study::latencyJobs(d);
    ASSERT_EQ(jobs.size(), 5u);
    auto expects = [&](const study::LatencyJob& job) {
        std::vector<std::string> list;
        const json document = study::latencyJobJson(d, job);
        for (const json& a : document["answers"]) list.push_back(a["expect"]);
        return list;
    };
    EXPECT_EQ(
        expects(jobs[2]),
        (std::vector<std::string>{
            "Select VTC access mode", "Please choose VTC n.1 (cancel to stop)",
            "Please choose VTC n.2 (cancel to stop)", "Please choose VTC n.3 (cancel to stop)",
            "Choose the mask file :", "Enter protocol condition:", "Enter an integer interpolation factor",
            "Enter event-related time window for processing (in msec):",
            "Do you want to perform single-trial-based analysis ?",
            "Interpolation before fitting improves temporal resolution",
            "Do you want to force a return-to-baseline part?", "Choose a name for the BLM file :"}));
    EXPECT_EQ(expects(jobs[4]),
              (std::vector<std::string>{
                  "Select VTC access mode", "Please choose VTC n.1 (cancel to stop)",
                  "Please choose VTC n.2 (cancel to stop)", "Please choose VTC n.3 (cancel to stop)",
                  "Do you want to use deconvolved responses from current GLM ?",
                  "Please select the first data point:", "Please select the last data point:",
                  "Do you want to force a return-to-baseline part?", "Choose a name for the BLM file :"}));
    const json single = study::latencyJobJson(d, jobs[3]);
    EXPECT_EQ(single["answers"][7]["value"], true);  // single-trial: yes
    EXPECT_EQ(single["answers"][9]["expect"],
              "Please enter confidence level for single-trial latency estimation:");
    EXPECT_EQ(study::latencyJobJson(d, jobs[4])["answers"][6]["value"], d.deconvolutionPoints);
}

TEST(MakeStudy, WrittenStudyOpensInTheHost) {
    TempFolder tmp;
    study::StudyOptions o;
    o.trials = 3;
    const study::StudyDesign d = study::planStudy(o);
    std::ostringstream progress;
    study::writeStudy(d, tmp.path(), progress);
    EXPECT_NE(progress.str().find("truth.json"), std::string::npos);

    const fmt::VtcFile vtc = fmt::readVtcFile(tmp / "run2.vtc");
    EXPECT_EQ(vtc.header.protocolName, "study.prt");
    EXPECT_EQ(vtc.header.nrOfVolumes, d.nrOfVolumes);
    EXPECT_EQ(vtc.header.grid, d.grid);
    EXPECT_EQ(vtc.floatValues, study::simulateRun(d, 1, study::voxelBaselines(d), study::regionResponses(d)));
    const fmt::ProtocolFile prt = fmt::readProtocolFile(tmp / "study.prt");
    EXPECT_EQ(prt.conditions[0].name, "Event");
    EXPECT_EQ(prt.conditions[0].starts, d.onsetsMs);
    const fmt::ProtocolFile volumes = fmt::readProtocolFile(tmp / "study_volumes.prt");
    EXPECT_EQ(volumes.timeUnit, fmt::ProtocolFile::TimeUnit::Volumes);
    EXPECT_EQ(volumes.conditions[0].starts[0], d.onsetsMs[0] / o.trMs + 1);
    EXPECT_EQ(fmt::readMaskFile(tmp / "study.msk").voxels, d.mask);
    const std::array<int, 3> dims = d.vmrDims;
    const fmt::VoiFile vois = fmt::readVoiFile(tmp / "study.voi", &dims);
    ASSERT_EQ(vois.vois.size(), 3u);
    EXPECT_EQ(vois.vois[0].voxelCount(), 48u * 27u);
    EXPECT_EQ(fmt::readGlmFile(tmp / "study.glm").nrOfStudies, 2);

    const json truth = json::parse(readBytes(tmp / "truth.json"));
    ASSERT_EQ(truth["regions"].size(), 3u);
    EXPECT_EQ(truth["regions"][0]["expected"]["onset_s"], 2.1);
    EXPECT_EQ(truth["regions"][2]["nr_of_masked_voxels"], 48);
    EXPECT_EQ(truth["timing"]["onsets_ms"].get<std::vector<int>>(), d.onsetsMs);

    // Every job file is well formed and its documents open.
    talvora::HostState::instance().echo = false;
    for (const study::LatencyJob& job : study::latencyJobs(d)) {
        SCOPED_TRACE(job.fileName());
        const talvora::Job parsed = talvora::readJob(tmp / job.fileName());
        EXPECT_EQ(parsed.plugin, "LatmapPlugin");
        EXPECT_NO_THROW(talvora::openDocuments(parsed.documents, tmp.path()));
        talvora::closeDocuments();
    }

    // The same options write the same bytes.
    TempFolder again;
    study::writeStudy(d, again.path(), progress);
    for (const char* name : {"run1.vtc", "study.glm", "study.voi", "truth.json", "job_mode3.json"})
        EXPECT_EQ(readBytes(tmp / name), readBytes(again / name)) << name;
}
