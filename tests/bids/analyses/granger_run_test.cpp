// talvora-bids on the example dataset's task "granger": the Granger
// analysis of two participants end to end (conversion of runs, events and
// the dataset's atlas, the plug-in in talvora, maps back to NIfTI), checked
// against the dataset's truth (the kind of every voxel) and the runs' own
// headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include <nlohmann/json.hpp>

#include "host/formats/nifti_image.h"
#include "host/formats/voi_file.h"
#include "support/run_program.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;
using test_support::contains;
using test_support::shell;

namespace {

class GrangerRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test_support::TempFolder;
        const auto made = shell(std::string(MAKE_BIDS_STUDY) + " --out " + bids().string());
        ASSERT_EQ(made.status, 0) << made.output;
        run_ = new test_support::Outcome(
            shell(grangerCommand("out", "4") + " --work-dir " + (dir() / "work").string()));
    }
    static void TearDownTestSuite() {
        delete run_;
        delete folder_;
    }
    static fs::path dir() { return folder_->path(); }
    static fs::path bids() { return dir() / "bids"; }
    static fs::path atlas() { return bids() / "derivatives/atlas/atlas-regions_dseg.nii.gz"; }
    static std::string grangerCommand(const std::string& out, const std::string& label) {
        // A fixed clock seeds the plug-in's surrogates: thresholds repeat.
        return "TALVORA_GCM_FIXED_CLOCK=1700000000 " + std::string(TALVORA_BIDS_EXE) + " " + bids().string() +
               " " + (dir() / out).string() + " participant --analysis granger --task granger --atlas " +
               atlas().string() + " --atlas-labels " +
               (bids() / "derivatives/atlas/atlas-regions_dseg.tsv").string() + " --reference-label " + label;
    }
    static const test_support::Outcome& run() { return *run_; }
    static json truth(const std::string& sub = "01") {
        return json::parse(test_support::readBytes(bids() / "truth.json"))["sub-" + sub]["granger"];
    }
    static fs::path map(const std::string& sub, const std::string& extension = ".nii.gz") {
        return dir() / "out" / ("sub-" + sub) / "func" /
               ("sub-" + sub + "_task-granger_desc-granger_statmap" + extension);
    }

private:
    static test_support::TempFolder* folder_;
    static test_support::Outcome* run_;
};
test_support::TempFolder* GrangerRun::folder_ = nullptr;
test_support::Outcome* GrangerRun::run_ = nullptr;

}  // namespace

TEST_F(GrangerRun, BothParticipantsFinishWithProgressLines) {
    EXPECT_EQ(run().status, 0) << run().output;
    for (const char* line : {"talvora-bids: sub-01 granger: converting 1 run(s), their events and the atlas",
                             "talvora-bids: sub-02 granger: running CausalisPlugin_v27 in talvora [elapsed ",
                             "talvora-bids: sub-02 granger: writing the Granger maps as NIfTI [elapsed ",
                             "talvora-bids: done, 2 of 2 finished"})
        EXPECT_TRUE(contains(run().output, line)) << line << "\n" << run().output;
}

TEST_F(GrangerRun, MapsLieOnTheRunsGrid) {
    const auto grid = truth()["grid"];
    const int nx = grid[0], ny = grid[1], nz = grid[2];
    for (const std::string sub : {"01", "02"}) {
        const fmt::NiftiReader bold(bids() / ("sub-" + sub) / "func" /
                                    ("sub-" + sub + "_task-granger_run-1_bold.nii.gz"));
        const fmt::NiftiReader maps(map(sub));
        EXPECT_EQ(maps.header().size[0], nx);
        EXPECT_EQ(maps.header().size[1], ny);
        EXPECT_EQ(maps.header().size[2], nz);
        EXPECT_EQ(maps.header().size[3], 2);
        EXPECT_LT((maps.header().affine - bold.header().affine).cwiseAbs().maxCoeff(), 1e-4);
        // The generator stores the runs left-right flipped with 3 mm voxels
        // centred on (0, -24, 0) mm.
        EXPECT_NEAR(maps.header().affine(0, 0), -3.0, 1e-4);
        EXPECT_NEAR(maps.header().affine(1, 1), 3.0, 1e-4);
        EXPECT_NEAR(maps.header().affine(2, 2), 3.0, 1e-4);
        EXPECT_NEAR(maps.header().affine(0, 3), 3.0 * (nx - 1) / 2, 1e-4);
        EXPECT_NEAR(maps.header().affine(1, 3), -24.0 - 3.0 * (ny - 1) / 2, 1e-4);
        EXPECT_NEAR(maps.header().affine(2, 3), -3.0 * (nz - 1) / 2, 1e-4);
    }
}

TEST_F(GrangerRun, SidecarSaysWhatTheMapsHold) {
    const auto sidecar = json::parse(test_support::readBytes(map("01", ".json")));
    const auto description = sidecar["Description"].get<std::string>();
    EXPECT_TRUE(contains(description, "reference region \"Reference\" (atlas label 4)")) << description;
    EXPECT_TRUE(contains(description, "condition \"Task\"")) << description;
    EXPECT_EQ(sidecar["Sources"], json::array({"bids::sub-01/func/sub-01_task-granger_run-1_bold.nii.gz"}));
    EXPECT_EQ(sidecar["ReferenceLabel"], 4);
    EXPECT_EQ(sidecar["RepetitionTime"], 2.0);
    ASSERT_EQ(sidecar["Maps"].size(), 2u);
    EXPECT_EQ(sidecar["Maps"][0]["Name"], "Task: Inst");
    EXPECT_EQ(sidecar["Maps"][1]["Name"], "Task: dGCM");
    EXPECT_TRUE(
        contains(sidecar["PluginSettings"]["SettingsFile"].get<std::string>(), "AutoRegressionOrder= 2"));
    for (const char* log :
         {"sub-01_task-granger_desc-granger_job.json", "sub-01_task-granger_desc-granger_transcript.json",
          "sub-01_task-granger_desc-granger_hostlog.txt"})
        EXPECT_TRUE(fs::is_regular_file(dir() / "out/sub-01/log" / log)) << log;
}

// Driven voxels at or above the dGCM threshold of q = 0.05 (a threshold is
// the weakest value found significant), driving ones at or below its
// negative, instantaneous ones at or above the Inst threshold with a dGCM of less
// than half any directed voxel's, and few independent voxels past either
// dGCM threshold.
TEST_F(GrangerRun, DirectionsAreTheTruth) {
    for (const std::string sub : {"01", "02"}) {
        const auto t = truth(sub);
        const int nx = t["grid"][0];
        const auto& kinds = t["voxel_kinds"];
        const auto maps = fmt::readNiftiImage(map(sub));
        const auto sidecar = json::parse(test_support::readBytes(map(sub, ".json")));
        const double inst = sidecar["Maps"][0]["FdrThresholds"][1],
                     dgcm = sidecar["Maps"][1]["FdrThresholds"][1];
        ASSERT_GT(inst, 0.0);
        ASSERT_GT(dgcm, 0.0);
        const std::size_t voxels = kinds.size();
        ASSERT_EQ(maps.values.size(), 2 * voxels);
        int independent = 0, independentPast = 0, driven = 0, driving = 0;
        double weakestDirected = 1e30, strongestInstantaneous = 0.0;
        for (std::size_t i = 0; i < voxels; ++i) {
            // Study voxel (x, y, z) is NIfTI voxel (nx - 1 - x, y, z).
            const std::size_t x = i % nx, rest = i / nx;
            const std::size_t v = rest * nx + (nx - 1 - x);
            const double instValue = maps.values[v], dgcmValue = maps.values[voxels + v];
            const std::string kind = kinds[i];
            const std::string where = "sub-" + sub + " voxel " + std::to_string(i) + " (" + kind + ")";
            if (kind.rfind("driven", 0) == 0) {
                ++driven;
                EXPECT_GE(dgcmValue, dgcm) << where;
                weakestDirected = std::min(weakestDirected, std::abs(dgcmValue));
            } else if (kind == "driving") {
                ++driving;
                EXPECT_LE(dgcmValue, -dgcm) << where;
                weakestDirected = std::min(weakestDirected, std::abs(dgcmValue));
            } else if (kind == "instantaneous") {
                EXPECT_GE(instValue, inst) << where;
                strongestInstantaneous = std::max(strongestInstantaneous, std::abs(dgcmValue));
            } else if (kind == "independent") {
                ++independent;
                independentPast += std::abs(dgcmValue) > dgcm;
            }
        }
        EXPECT_GT(driven, 10);
        EXPECT_GT(driving, 10);
        EXPECT_GT(independent, 10);
        EXPECT_LE(independentPast, independent / 10) << "sub-" << sub;
        EXPECT_LT(strongestInstantaneous, weakestDirected / 2) << "sub-" << sub;
    }
}

TEST_F(GrangerRun, ReferenceLabelWithoutVoxelsFailsNamingTheAtlas) {
    const auto failed = shell(grangerCommand("out-bad", "7") + " --participant-label 01");
    EXPECT_EQ(failed.status, 3) << failed.output;
    EXPECT_TRUE(
        contains(failed.output, "sub-01: " + atlas().string() +
                                    ": the reference label 7 (\"Label 7\") has no voxel on the grid of "
                                    "the participant's runs"))
        << failed.output;
    EXPECT_FALSE(fs::exists(dir() / "out-bad"));
}

// The plug-in gets the reference region alone, as the first VOI of its file:
// the run voxels the truth calls "reference", each as the 2 x 2 x 2 block of
// 1 mm voxels a reader assigns to a 3 mm run voxel.
TEST_F(GrangerRun, PluginGetsTheReferenceRegionAlone) {
    const fs::path work = dir() / "work/sub-01/granger";
    const auto vois = fmt::readVoiFile(work / "regions.voi");
    ASSERT_EQ(vois.vois.size(), 1u);
    EXPECT_EQ(vois.vois[0].name, "Reference");
    const auto kinds = truth()["voxel_kinds"];
    const auto references = std::count(kinds.begin(), kinds.end(), json("reference"));
    EXPECT_GT(references, 0);
    EXPECT_EQ(vois.vois[0].coords.size(), static_cast<std::size_t>(references) * 8 * 3);
    const auto job = json::parse(test_support::readBytes(work / "job.json"));
    EXPECT_EQ(job["commands"][2]["command"], "RunGCM");
    EXPECT_EQ(job["commands"][2]["parameters"]["SelectedVOIIndex"], 0);
}

// The reference region is found by its name: a table that gives it to a
// second label (here one with no voxel at all) is refused, naming the table.
TEST_F(GrangerRun, ReferenceNameGivenTwiceFailsNamingTheTable) {
    const fs::path table = dir() / "twice_dseg.tsv";
    {
        std::ofstream out(table);
        out << test_support::readBytes(bids() / "derivatives/atlas/atlas-regions_dseg.tsv") << "9\tReference\n";
    }
    const auto failed = shell("TALVORA_GCM_FIXED_CLOCK=1700000000 " + std::string(TALVORA_BIDS_EXE) + " " +
                              bids().string() + " " + (dir() / "out-twice").string() +
                              " participant --analysis granger --task granger --participant-label 01 --atlas " +
                              atlas().string() + " --atlas-labels " + table.string() + " --reference-label 4");
    EXPECT_EQ(failed.status, 3) << failed.output;
    EXPECT_TRUE(contains(failed.output, "sub-01: " + table.string() +
                                            ": the name \"Reference\" of the reference label 4 is given to "
                                            "more than one label"))
        << failed.output;
    EXPECT_FALSE(fs::exists(dir() / "out-twice"));
}
