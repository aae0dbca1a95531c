// talvora-bids on the generated BIDS study: the latency analysis of both
// participants end to end (conversion, the plug-in in talvora, maps back to
// NIfTI), checked against the study's truth and the runs' own headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <Eigen/Dense>
#include <nlohmann/json.hpp>

#include "host/formats/nifti_image.h"
#include "support/run_program.h"
#include "support/test_files.h"
#include "tools/make_bids_study/world_atlas.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;
using test_support::contains;
using test_support::shell;

namespace {

class LatencyRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test_support::TempFolder;
        const auto made = shell(std::string(MAKE_BIDS_STUDY) + " --out " + (dir() / "bids").string());
        ASSERT_EQ(made.status, 0) << made.output;
        run_ = new test_support::Outcome(shell(
            std::string(TALVORA_BIDS_EXE) + " " + (dir() / "bids").string() + " " + (dir() / "out").string() +
            " participant --analysis latency --task latency --work-dir " + (dir() / "work").string()));
    }
    static void TearDownTestSuite() {
        delete run_;
        delete folder_;
    }
    static fs::path dir() { return folder_->path(); }
    static const test_support::Outcome& run() { return *run_; }
    static json truth(const std::string& sub) {
        return json::parse(test_support::readBytes(dir() / "bids" / "truth.json"))["sub-" + sub]["latency"];
    }
    static fs::path map(const std::string& sub) {
        return dir() / "out" / ("sub-" + sub) / "func" /
               ("sub-" + sub + "_task-latency_desc-latency_statmap.nii.gz");
    }

private:
    static test_support::TempFolder* folder_;
    static test_support::Outcome* run_;
};
test_support::TempFolder* LatencyRun::folder_ = nullptr;
test_support::Outcome* LatencyRun::run_ = nullptr;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

}  // namespace

TEST_F(LatencyRun, BothParticipantsFinishWithProgressLines) {
    EXPECT_EQ(run().status, 0) << run().output;
    for (const char* line : {"talvora-bids: sub-01 latency: running LatmapPlugin in talvora [elapsed ",
                             "talvora-bids: sub-02 latency: writing the latency maps as NIfTI [elapsed ",
                             "talvora-bids: done, 2 of 2 finished"})
        EXPECT_TRUE(contains(run().output, line)) << line << "\n" << run().output;
}

TEST_F(LatencyRun, MapsLieOnTheRunsGrid) {
    for (const std::string sub : {"01", "02"}) {
        const fmt::NiftiReader bold(dir() / "bids" / ("sub-" + sub) / "func" /
                                    ("sub-" + sub + "_task-latency_run-1_bold.nii.gz"));
        const fmt::NiftiReader maps(map(sub));
        EXPECT_EQ(maps.header().size[0], bold.header().size[0]);
        EXPECT_EQ(maps.header().size[1], bold.header().size[1]);
        EXPECT_EQ(maps.header().size[2], bold.header().size[2]);
        EXPECT_EQ(maps.header().size[3], 4);
        EXPECT_LT((maps.header().affine - bold.header().affine).cwiseAbs().maxCoeff(), 1e-4);
        // The generator placed anatomical voxel (0, 0, 0) at -128 mm on every
        // axis with 1 mm voxels; the first functional voxel's centre is then
        // -128 + box start + (r - 1) / 2.
        const auto grid = truth(sub)["grid"];
        const int r = grid["resolution"];
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(maps.header().affine(axis, axis), r, 1e-4);
            EXPECT_NEAR(maps.header().affine(axis, 3),
                        -128.0 + grid["bounding_box"][2 * axis].get<int>() + (r - 1) / 2.0, 1e-4);
        }
    }
}

TEST_F(LatencyRun, SidecarSaysWhatTheMapsHold) {
    const auto sidecar = json::parse(
        test_support::readBytes(dir() / "out/sub-01/func/sub-01_task-latency_desc-latency_statmap.json"));
    EXPECT_TRUE(contains(sidecar["Description"].get<std::string>(), "condition \"Event\""));
    EXPECT_EQ(sidecar["Sources"], json::array({"bids::sub-01/func/sub-01_task-latency_run-1_bold.nii.gz",
                                               "bids::sub-01/func/sub-01_task-latency_run-2_bold.nii.gz"}));
    EXPECT_EQ(sidecar["RepetitionTime"], 1.0);
    ASSERT_EQ(sidecar["Maps"].size(), 4u);
    EXPECT_EQ(sidecar["Maps"][0]["Name"], "Onset (secs)");
    EXPECT_EQ(sidecar["Maps"][2]["Name"], "Time-to-peak (secs)");
    EXPECT_FALSE(sidecar["PluginSettings"].empty());
    const auto description = json::parse(test_support::readBytes(dir() / "out/dataset_description.json"));
    EXPECT_EQ(description["GeneratedBy"][0]["Name"], "talvora-bids");
    for (const char* log :
         {"sub-01_task-latency_desc-latency_job.json", "sub-01_task-latency_desc-latency_transcript.json",
          "sub-01_task-latency_desc-latency_hostlog.txt"})
        EXPECT_TRUE(fs::is_regular_file(dir() / "out/sub-01/log" / log)) << log;
}

TEST_F(LatencyRun, RegionOnsetsAreTheTruth) {
    for (const std::string sub : {"01", "02"}) {
        const auto maps = fmt::readNiftiImage(map(sub));
        const auto atlas = bids_study::atlasLabelsAtVoxelCentres(
            fmt::readNiftiImage(dir() / "bids/derivatives/atlas/atlas-regions_dseg.nii.gz"), maps.header);
        const std::size_t voxels = atlas.size();
        ASSERT_EQ(maps.values.size(), 4 * voxels);
        // Held by name: a loop over a part of the temporary would outlive it.
        const json regions = truth(sub)["regions"];
        for (const auto& region : regions) {
            const int label = region["atlas_label"];
            std::vector<double> onset, peak;
            for (std::size_t v = 0; v < voxels; ++v)
                if (atlas[v] == label) {
                    onset.push_back(maps.values[v]);
                    peak.push_back(maps.values[2 * voxels + v]);
                }
            // Every voxel of the region's box, and no other, carries its label.
            ASSERT_EQ(onset.size(), region["nr_of_vtc_voxels"].get<std::size_t>()) << region["name"];
            const auto expected = region["expected"];
            EXPECT_NEAR(median(onset), expected["onset_s"].get<double>(), 0.5)
                << sub << " " << region["name"];
            EXPECT_GE(median(peak), expected["time_to_peak_s"].get<double>() - 0.5)
                << sub << " " << region["name"];
            EXPECT_LE(median(peak), expected["time_to_peak_range_s"][1].get<double>() + 0.5)
                << sub << " " << region["name"];
        }
    }
}

TEST(LatencyRunRefusals, ParticipantsWithUnusableEventsFailNamingTheFile) {
    test_support::TempFolder folder;
    const auto bids = folder / "bids";
    ASSERT_EQ(shell(std::string(MAKE_BIDS_STUDY) + " --out " + bids.string()).status, 0);
    const auto app = std::string(TALVORA_BIDS_EXE) + " " + bids.string() + " " + (folder / "out").string() +
                     " participant --analysis latency --task latency";
    const auto events01 = bids / "sub-01/func/sub-01_task-latency_run-1_events.tsv";
    auto outcome = shell(app + " --condition left");
    EXPECT_EQ(outcome.status, 3);
    EXPECT_TRUE(contains(outcome.output, "  sub-01: " + events01.string() +
                                             ": no trial_type \"left\" (trial types: Event, Rest)\n"))
        << outcome.output;
    EXPECT_TRUE(contains(outcome.output, "talvora-bids: 2 of 2 failed:\n")) << outcome.output;
    EXPECT_FALSE(fs::exists(folder / "out"));

    // Trials 3 s apart leave no 5 s window; the other participant still finishes.
    test_support::writeBytes(events01, "onset\tduration\ttrial_type\n10\t1\tEvent\n13\t1\tEvent\n");
    outcome = shell(app);
    EXPECT_EQ(outcome.status, 3);
    EXPECT_TRUE(
        contains(outcome.output, "talvora-bids: 1 of 2 failed:\n  sub-01: " + events01.string() +
                                     ": trials of the condition are 3000 ms apart; the latency analysis "
                                     "needs at least 5000 ms after each\n"))
        << outcome.output;
    EXPECT_FALSE(fs::exists(folder / "out/sub-01"));
    EXPECT_TRUE(fs::exists(folder / "out/sub-02/func/sub-02_task-latency_desc-latency_statmap.nii.gz"));
}
