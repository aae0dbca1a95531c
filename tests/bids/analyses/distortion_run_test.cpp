// talvora-bids on the generated BIDS study: the distortion analysis of both
// participants end to end (the AP/PA pair and the BOLD run converted, the
// distortion plug-in in talvora, the field and the undistorted run back to
// NIfTI), checked against the generator's true field, the plug-in's own run
// on the same pair and on the same phantom, and the runs' own headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <regex>

#include <nlohmann/json.hpp>

#include "host/bids/fmr_project.h"
#include "host/formats/fmr_map_file.h"
#include "host/formats/nifti_image.h"
#include "support/run_program.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;
using test_support::contains;
using test_support::shell;

namespace {

const double kReadout = 0.05;  // the generator's TotalReadoutTime, s

std::string app(const fs::path& bids, const fs::path& out, const std::string& extra = "") {
    return std::string(TALVORA_BIDS_EXE) + " " + bids.string() + " " + out.string() +
           " participant --analysis distortion " + extra;
}

struct Percentiles {
    double median = 0, p95 = 0;
};

Percentiles percentiles(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        return v.at(
            static_cast<std::size_t>(std::min<double>(v.size() - 1, std::floor(q * (v.size() - 1) + 0.5))));
    };
    return {at(0.5), at(0.95)};
}

class DistortionRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test_support::TempFolder;
        const auto made = shell(std::string(MAKE_BIDS_STUDY) + " --out " + (dir() / "bids").string());
        ASSERT_EQ(made.status, 0) << made.output;
        run_ = new test_support::Outcome(
            shell(app(dir() / "bids", dir() / "out", "--work-dir " + (dir() / "work").string())));
    }
    static void TearDownTestSuite() {
        delete run_;
        delete folder_;
    }
    static fs::path dir() { return folder_->path(); }
    static const test_support::Outcome& run() { return *run_; }
    static fs::path bids() { return dir() / "bids"; }
    static fs::path field(const std::string& sub) {
        return dir() / "out" / ("sub-" + sub) / "fmap" / ("sub-" + sub + "_desc-pepolar_fieldmap.nii.gz");
    }
    static fs::path truthFile(const std::string& sub, const std::string& key) {
        const auto truth = json::parse(test_support::readBytes(bids() / "truth.json"));
        return bids() / truth["sub-" + sub]["field_map"]["files"][key].get<std::string>();
    }
    static fs::path fmapOut(const std::string& sub) { return dir() / "out" / ("sub-" + sub) / "fmap"; }
    static fs::path bold(const std::string& sub) {
        return bids() / ("sub-" + sub) / "func" / ("sub-" + sub + "_task-latency_run-1_bold.nii.gz");
    }

private:
    static test_support::TempFolder* folder_;
    static test_support::Outcome* run_;
};
test_support::TempFolder* DistortionRun::folder_ = nullptr;
test_support::Outcome* DistortionRun::run_ = nullptr;

// The plug-in's own estimate on a phantom set's two projects, corrected as
// `rllr` says (0: along j, 1: along i), as talvora run does it.
test_support::Outcome estimateOnPhantom(const fs::path& set, const std::string& first,
                                        const std::string& second, int rllr) {
    test_support::writeBytes(
        set / "job_ncc.json",
        R"({"plugin": "Mirel_r122", "documents": {"fmr": ")" + first +
            R"("}, "commands": [{"command": "estimate", "parameters": {"file0": ")" + first +
            R"(", "file1": ")" + second + R"(", "volume0": 0, "volume1": 0, "rllr": )" +
            std::to_string(rllr) +
            R"(, "use_ic": 0, "use_ssd": 0, "apply_to_input": 1, "save_derivative": 0, "order": 0}}]})");
    return shell(std::string(TALVORA_EXE) + " run " + (set / "job_ncc.json").string());
}

// The plug-in's own accuracy on the phantom of the same field (peak 5
// voxels, the larger of the dataset's) on the same grid, estimated from
// its own projects and judged by talvora-eval-distortion.
Percentiles pluginLimits(const fs::path& work, const fmt::NiftiHeader& grid) {
    const std::string size = std::to_string(grid.size[0]) + "x" + std::to_string(grid.size[1]) + "x" +
                             std::to_string(grid.size[2]);
    const auto made = shell(std::string(MAKE_PHANTOM) + " --small --volumes 1 --size " + size + " --out " +
                            (work / "phantom").string());
    EXPECT_EQ(made.status, 0) << made.output;
    const fs::path set = work / "phantom" / "ap_pa_sev5";
    const auto estimated = estimateOnPhantom(set, "run_ap.fmr", "run_pa.fmr", 0);
    EXPECT_EQ(estimated.status, 0) << estimated.output;
    const auto eval = shell(std::string(EVAL_DISTORTION) + " " + set.string() + " run_ap.fmr run_pa.fmr");
    std::smatch m;
    const std::regex after(R"(after: +median ([0-9.]+), 95th percentile ([0-9.]+))");
    EXPECT_TRUE(std::regex_search(eval.output, m, after)) << eval.output;
    return m.empty() ? Percentiles{} : Percentiles{std::stod(m[1]), std::stod(m[2])};
}

}  // namespace

TEST_F(DistortionRun, BothParticipantsFinishWithProgressLines) {
    EXPECT_EQ(run().status, 0) << run().output;
    for (
        const char* line :
        {"talvora-bids: sub-01 distortion: converting pair 1 (sub-01_dir-AP_epi.nii.gz, sub-01_dir-PA_epi.nii.gz) "
         "and 2 run(s) [elapsed ",
         "talvora-bids: sub-02 distortion: running Mirel_r122 in talvora (pair 1) [elapsed ",
         "talvora-bids: done, 2 of 2 finished"})
        EXPECT_TRUE(contains(run().output, line)) << line << "\n" << run().output;
}

TEST_F(DistortionRun, FieldMatchesTheTruthInsideTheObjectWithinThePluginsOwnLimits) {
    const Percentiles limits = pluginLimits(dir(), fmt::NiftiReader(bold("02")).header());
    ASSERT_GT(limits.p95, 0.0);
    for (const std::string sub : {"01", "02"}) {
        const auto hz = fmt::readNiftiImage(field(sub));
        const auto displacement = fmt::readNiftiImage(truthFile(sub, "displacement_voxels"));
        const auto mask = fmt::readNiftiImage(truthFile(sub, "object_mask"));
        ASSERT_EQ(hz.values.size(), mask.values.size());
        std::vector<double> error, uncorrected;
        for (std::size_t i = 0; i < mask.values.size(); ++i) {
            if (mask.values[i] == 0.0f) continue;
            // The dir-AP series is encoded along j-: a field f displaces it
            // by f x TotalReadoutTime voxels towards -j.
            error.push_back(std::fabs(-hz.values[i] * kReadout - displacement.values[i]));
            uncorrected.push_back(std::fabs(displacement.values[i]));
        }
        ASSERT_GT(error.size(), 500u);
        const Percentiles e = percentiles(error), none = percentiles(uncorrected);
        EXPECT_LE(e.median, limits.median + 0.01) << sub;
        EXPECT_LE(e.p95, limits.p95 + 0.01) << sub;
        // A field of the wrong sign errs by twice the displacement.
        EXPECT_LT(e.median, 0.5 * none.median) << sub;
        // The generator's field in Hz, within the same limits.
        const auto truthHz = fmt::readNiftiImage(truthFile(sub, "field_hz"));
        std::vector<double> hzError;
        for (std::size_t i = 0; i < mask.values.size(); ++i)
            if (mask.values[i] != 0.0f) hzError.push_back(std::fabs(hz.values[i] - truthHz.values[i]));
        EXPECT_LE(percentiles(hzError).median, (limits.median + 0.01) / kReadout) << sub;
    }
}

TEST_F(DistortionRun, FieldSidecarSaysWhatItHolds) {
    const auto sidecar = json::parse(
        test_support::readBytes(fs::path(field("02")).replace_extension("").replace_extension(".json")));
    EXPECT_EQ(sidecar["Units"], "Hz");
    EXPECT_EQ(sidecar["Sources"], json::array({"bids::sub-02/fmap/sub-02_dir-AP_epi.nii.gz",
                                               "bids::sub-02/fmap/sub-02_dir-PA_epi.nii.gz"}));
    EXPECT_EQ(sidecar["IntendedFor"],
              json::array({"bids::sub-02/func/sub-02_task-latency_run-1_bold.nii.gz",
                           "bids::sub-02/func/sub-02_task-latency_run-2_bold.nii.gz"}));
    EXPECT_EQ(sidecar["PluginSettings"]["use_ssd"], 0);
    EXPECT_EQ(sidecar["TotalReadoutTime"], kReadout);
}

TEST_F(DistortionRun, FieldIsThePluginsOwnRunOnTheConvertedPair) {
    const fs::path own = dir() / "own";
    fs::create_directories(own);
    const fs::path fmap = bids() / "sub-01" / "fmap";
    const std::string talvora = std::string(TALVORA_EXE) + " ";
    ASSERT_EQ(shell(talvora + "convert " + (fmap / "sub-01_dir-AP_epi.nii.gz").string() + " " +
                    (own / "ap.fmr").string())
                  .status,
              0);
    ASSERT_EQ(shell(talvora + "convert " + (fmap / "sub-01_dir-PA_epi.nii.gz").string() + " " +
                    (own / "pa.fmr").string())
                  .status,
              0);
    test_support::writeBytes(
        own / "job.json",
        R"({"plugin": "Mirel_r122", "documents": {"fmr": "ap.fmr"}, "commands": [{"command": "estimate",
        "parameters": {"file0": "ap.fmr", "file1": "pa.fmr", "volume0": 0, "volume1": 0, "rllr": 0, "use_ic": 0,
        "use_ssd": 0, "apply_to_input": 0, "save_derivative": 0, "order": 0}}]})");
    const auto estimated = shell(talvora + "run " + (own / "job.json").string());
    ASSERT_EQ(estimated.status, 0) << estimated.output;
    ASSERT_EQ(shell(talvora + "convert " + (own / "ap_vdm.map").string() + " " +
                    (own / "hz.nii.gz").string() + " --hz")
                  .status,
              0);
    const auto theirs = fmt::readNiftiImage(own / "hz.nii.gz");
    const auto ours = fmt::readNiftiImage(field("01"));
    EXPECT_EQ(ours.values, theirs.values);
    EXPECT_LT((ours.header.affine - theirs.header.affine).cwiseAbs().maxCoeff(), 1e-9);
}

TEST_F(DistortionRun, UndistortedRunKeepsTheRunsGridAffineAndTiming) {
    for (const std::string sub : {"01", "02"}) {
        const fmt::NiftiReader input(bold(sub));
        const auto output = dir() / "out" / ("sub-" + sub) / "func" /
                            ("sub-" + sub + "_task-latency_run-1_desc-undistorted_bold.nii.gz");
        const fmt::NiftiReader undistorted(output);
        EXPECT_EQ(undistorted.header().size, input.header().size) << sub;
        EXPECT_LT((undistorted.header().affine - input.header().affine).cwiseAbs().maxCoeff(), 1e-6) << sub;
        // The generator's placement: 3 mm voxels.
        EXPECT_NEAR(undistorted.header().affine(1, 1), 3.0, 1e-9);
        EXPECT_NEAR(undistorted.header().timeStepMilliseconds(), input.header().timeStepMilliseconds(), 1e-6);
        const auto sidecar = json::parse(
            test_support::readBytes(fs::path(output).replace_extension("").replace_extension(".json")));
        EXPECT_EQ(sidecar["FieldMap"], "sub-" + sub + "/fmap/sub-" + sub + "_desc-pepolar_fieldmap.nii.gz");
        EXPECT_EQ(sidecar["Sources"][0],
                  "bids::sub-" + sub + "/func/sub-" + sub + "_task-latency_run-1_bold.nii.gz");
        for (const char* log :
             {"_desc-pepolar_job.json", "_desc-pepolar_transcript.json", "_desc-pepolar_hostlog.txt"})
            EXPECT_TRUE(fs::is_regular_file(dir() / "out" / ("sub-" + sub) / "log" / ("sub-" + sub + log)))
                << log;
    }
}

// Undistortion samples the run at p + D(p) along j (D = -field x readout for
// a run encoded along j-): the first volume against linear interpolation of
// the input there and at the mirrored position p - D(p).
TEST_F(DistortionRun, UndistortedRunSamplesTheRunWhereTheFieldSays) {
    fmt::NiftiReader input(bold("02"));
    fmt::NiftiReader undistorted(dir() /
                                 "out/sub-02/func/sub-02_task-latency_run-1_desc-undistorted_bold.nii.gz");
    std::vector<float> x, u;
    input.readNextVolume(x);
    undistorted.readNextVolume(u);
    const auto hz = fmt::readNiftiImage(field("02"));
    const auto& size = input.header().size;
    const auto at = [&](std::int64_t i, std::int64_t j, std::int64_t k) {
        return i + size[0] * (j + size[1] * k);
    };
    const auto linear = [&](std::int64_t i, double j, std::int64_t k) {
        const auto j0 = static_cast<std::int64_t>(std::floor(j));
        const double w = j - j0;
        return (1 - w) * x[at(i, j0, k)] + w * x[at(i, j0 + 1, k)];
    };
    int closer = 0, farther = 0, unchanged = 0, still = 0;
    for (std::int64_t k = 0; k < size[2]; ++k)
        for (std::int64_t j = 0; j < size[1]; ++j)
            for (std::int64_t i = 0; i < size[0]; ++i) {
                const double d = -hz.values[at(i, j, k)] * kReadout;
                const double value = u[at(i, j, k)];
                if (std::fabs(d) < 0.02 && j > 0 && j + 1 < size[1]) {
                    const double step = std::max(std::fabs(x[at(i, j + 1, k)] - x[at(i, j, k)]),
                                                 std::fabs(x[at(i, j - 1, k)] - x[at(i, j, k)]));
                    EXPECT_LE(std::fabs(value - x[at(i, j, k)]), 0.1 * step + 1e-3)
                        << i << " " << j << " " << k;
                    ++still;
                }
                if (std::fabs(d) < 0.5 || j + d < 0 || j - d < 0 || j + d > size[1] - 1 ||
                    j - d > size[1] - 1)
                    continue;
                const double there = std::fabs(value - linear(i, j + d, k)),
                             mirrored = std::fabs(value - linear(i, j - d, k));
                (there < mirrored ? closer : farther) += 1;
                if (std::fabs(value - x[at(i, j, k)]) < 1e-3) ++unchanged;
            }
    EXPECT_GT(still, 0);
    ASSERT_GT(closer + farther, 100);
    EXPECT_GT(closer, 4 * farther) << closer << " closer, " << farther << " farther";
    EXPECT_EQ(unchanged, 0);
}

// Bad input, each in a fresh copy of the generated dataset with sub-01 only:
// the participant fails naming the file and nothing is written.
class DistortionRefusals : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        made_ = new test_support::TempFolder;
        const auto made = shell(std::string(MAKE_BIDS_STUDY) + " --participants 1 --out " +
                                (made_->path() / "bids").string());
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete made_;
        made_ = nullptr;
    }
    void SetUp() override { fs::copy(made_->path() / "bids", bids(), fs::copy_options::recursive); }
    fs::path bids() const { return folder / "bids"; }
    fs::path fmap() const { return bids() / "sub-01" / "fmap"; }
    fs::path out() const { return folder / "out"; }
    void rewrite(const fs::path& sidecar, const std::function<void(json&)>& change) {
        json j = json::parse(test_support::readBytes(sidecar));
        change(j);
        test_support::writeBytes(sidecar, j.dump());
    }
    // Runs the app; expects status 3 with `message` as sub-01's reason and
    // nothing written.
    void expectFailure(const std::string& message) {
        const auto outcome = shell(app(bids(), out()));
        EXPECT_EQ(outcome.status, 3) << outcome.output;
        EXPECT_TRUE(contains(outcome.output, "talvora-bids: 1 of 1 failed:\n  sub-01: " + message + "\n"))
            << outcome.output;
        EXPECT_FALSE(fs::exists(out()));
    }
    test_support::TempFolder folder;
    static test_support::TempFolder* made_;
};
test_support::TempFolder* DistortionRefusals::made_ = nullptr;

TEST_F(DistortionRefusals, DirectionsThatAreNotOpposite) {
    rewrite(fmap() / "sub-01_dir-PA_epi.json", [](json& j) { j["PhaseEncodingDirection"] = "j-"; });
    expectFailure(
        (fmap() / "sub-01_dir-AP_epi.nii.gz").string() + " and " +
        (fmap() / "sub-01_dir-PA_epi.nii.gz").string() +
        ": \"PhaseEncodingDirection\" \"j-\" and \"j-\" are not opposite; a pair needs i with i- or j with j-");
}

TEST_F(DistortionRefusals, NoPairForTheParticipant) {
    fs::remove_all(fmap());
    expectFailure(
        (bids() / "sub-01").string() +
        " has no field-map pair (fmap/*_epi.nii[.gz] in opposite phase-encoding directions); the distortion "
        "analysis needs one");
}

TEST_F(DistortionRefusals, MissingReadoutTime) {
    rewrite(fmap() / "sub-01_dir-AP_epi.json", [](json& j) { j.erase("TotalReadoutTime"); });
    expectFailure((fmap() / "sub-01_dir-AP_epi.nii.gz").string() +
                  ": no \"TotalReadoutTime\" in its sidecar; the field in Hz needs it");
}

TEST_F(DistortionRefusals, PairOnTwoGrids) {
    fmt::NiftiOutput small;
    small.size = {8, 8, 3, 1};
    fmt::writeNiftiImage(fmap() / "sub-01_dir-PA_epi.nii.gz", small, std::vector<float>(8 * 8 * 3, 1.0f));
    expectFailure((fmap() / "sub-01_dir-AP_epi.nii.gz").string() + " and " +
                  (fmap() / "sub-01_dir-PA_epi.nii.gz").string() +
                  ": the pair lies on two grids (20 x 20 x 10 and 8 x 8 x 3 voxels, or other voxel-to-world "
                  "matrices); a pair needs one grid");
}

TEST_F(DistortionRefusals, RunOnAnotherGridThanItsPair) {
    const auto run = bids() / "sub-01/func/sub-01_task-latency_run-1_bold.nii.gz";
    fmt::NiftiOutput moved;
    moved.size = {20, 20, 10, 2};
    moved.affine.diagonal() << 3, 3, 3, 1;  // the generator's voxels, another origin
    fmt::writeNiftiImage(run, moved, std::vector<float>(20 * 20 * 10 * 2, 1.0f));
    const auto outcome = shell(app(bids(), out()));
    EXPECT_EQ(outcome.status, 3) << outcome.output;
    EXPECT_TRUE(contains(outcome.output, "  sub-01: " + run.string() +
                                             ": not on the grid of its field-map pair " +
                                             (fmap() / "sub-01_dir-AP_epi.nii.gz").string()))
        << outcome.output;
    EXPECT_FALSE(fs::exists(out()));
}

// A run that no pair is for is left uncorrected with a note; the field is
// still written.
TEST_F(DistortionRefusals, RunNoPairIsForIsLeftUncorrected) {
    for (const char* run : {"run-1", "run-2"})
        rewrite(bids() / ("sub-01/func/sub-01_task-latency_" + std::string(run) + "_bold.json"),
                [](json& j) { j["B0FieldSource"] = "another"; });
    const auto outcome = shell(app(bids(), out()));
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_TRUE(
        contains(outcome.output, "talvora-bids: sub-01 distortion: note: " +
                                     (bids() / "sub-01/func/sub-01_task-latency_run-1_bold.nii.gz").string() +
                                     ": no field-map pair is for this run; it is left uncorrected [elapsed "))
        << outcome.output;
    EXPECT_TRUE(fs::exists(out() / "sub-01/fmap/sub-01_desc-pepolar_fieldmap.nii.gz"));
    EXPECT_FALSE(fs::exists(out() / "sub-01/func"));
    const auto field =
        json::parse(test_support::readBytes(out() / "sub-01/fmap/sub-01_desc-pepolar_fieldmap.json"));
    EXPECT_EQ(field["IntendedFor"], json::array());
}

// The input dataset is never written: the app reads the pair's inherited
// metadata into its work folder.
TEST_F(DistortionRefusals, InputsAreLeftAsTheyWere) {
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::recursive_directory_iterator(bids()))
        if (entry.is_regular_file()) before[entry.path().string()] = test_support::readBytes(entry.path());
    ASSERT_EQ(shell(app(bids(), out())).status, 0);
    std::size_t after = 0;
    for (const auto& entry : fs::recursive_directory_iterator(bids()))
        if (entry.is_regular_file()) {
            ++after;
            EXPECT_EQ(test_support::readBytes(entry.path()), before[entry.path().string()]) << entry.path();
        }
    EXPECT_EQ(after, before.size());
}

double correlationInside(const std::vector<float>& a, const std::vector<float>& b,
                         const std::vector<float>& mask) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, n = 0;
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (mask[i] != 0.0f) {
            sa += a[i], sb += b[i], saa += double(a[i]) * a[i], sbb += double(b[i]) * b[i];
            sab += double(a[i]) * b[i], n += 1;
        }
    return (n * sab - sa * sb) / std::sqrt((n * saa - sa * sa) * (n * sbb - sb * sb));
}

// The pair undistorted by its own field: on the series' grid, and the two
// series agree far better inside the object than before.
TEST_F(DistortionRun, UndistortedPairAgreesBetterThanThePair) {
    for (const std::string sub : {"01", "02"}) {
        const auto mask = fmt::readNiftiImage(truthFile(sub, "object_mask"));
        std::vector<float> before[2], after[2];
        int k = 0;
        for (const char* dir : {"AP", "PA"}) {
            const std::string name = "sub-" + sub + "_dir-" + dir;
            const auto epi = fmt::readNiftiImage(bids() / ("sub-" + sub) / "fmap" / (name + "_epi.nii.gz"));
            const auto undistorted =
                fmt::readNiftiImage(fmapOut(sub) / (name + "_desc-undistorted_epi.nii.gz"));
            EXPECT_EQ(undistorted.header.size, epi.header.size);
            EXPECT_LT((undistorted.header.affine - epi.header.affine).cwiseAbs().maxCoeff(), 1e-6);
            before[k] = epi.values;
            after[k++] = undistorted.values;
        }
        const double was = correlationInside(before[0], before[1], mask.values);
        const double is = correlationInside(after[0], after[1], mask.values);
        EXPECT_GT(is, was + 0.4) << sub << ": " << was << " before, " << is << " after";
    }
}

// A left-right pair (encoded along i, corrected with "rllr" 1) and a run
// encoded like its first series: the app's field is the plug-in's own map of
// the phantom's projects over TotalReadoutTime (+ for i), and the run is
// undistorted as the plug-in undistorts that series itself.
TEST(DistortionLeftRight, PairAlongIMatchesThePluginsOwnRunOnThePhantom) {
    test_support::TempFolder folder;
    const auto made = shell(std::string(MAKE_PHANTOM) + " --bids --size 24x30x9 --volumes 1 --out " +
                            (folder / "phantom").string());
    ASSERT_EQ(made.status, 0) << made.output;
    const fs::path set = folder / "phantom" / "lr_rl_sev5";
    const auto own = estimateOnPhantom(set, "run_lr.fmr", "run_rl.fmr", 1);
    ASSERT_EQ(own.status, 0) << own.output;

    const fs::path bids = folder / "bids";
    fs::copy(set / "bids", bids, fs::copy_options::recursive);
    test_support::writeBytes(bids / "dataset_description.json", R"({"Name": "LR", "BIDSVersion": "1.8.0"})");
    const fs::path func = bids / "sub-phantom" / "func";
    fs::create_directories(func);
    fs::copy_file(bids / "sub-phantom/fmap/sub-phantom_dir-LR_epi.nii.gz",
                  func / "sub-phantom_task-rest_bold.nii.gz");
    test_support::writeBytes(
        func / "sub-phantom_task-rest_bold.json",
        R"({"PhaseEncodingDirection": "i", "TotalReadoutTime": 0.05, "RepetitionTime": 2.0})");
    const auto outcome = shell(app(bids, folder / "out"));
    ASSERT_EQ(outcome.status, 0) << outcome.output;

    const auto map = talvora::formats::readFmrMapFile(set / "run_lr_vdm.map");
    const auto hz =
        fmt::readNiftiImage(folder / "out/sub-phantom/fmap/sub-phantom_desc-pepolar_fieldmap.nii.gz");
    ASSERT_EQ(hz.values.size(), map.maps.at(0).values.size());
    double largest = 0;
    for (std::size_t i = 0; i < hz.values.size(); ++i) {
        const double d = map.maps[0].values[i];
        largest = std::max(largest, std::fabs(d));
        ASSERT_NEAR(hz.values[i] * kReadout, d, 1e-5 * (1 + std::fabs(d))) << i;
    }
    EXPECT_GT(largest, 1.0);
    // The plug-in's own undistortion of its 16-bit project is truncated toward 0.
    const auto theirs = talvora::bids::readProjectSeries(set / "run_lr_undist.fmr");
    const auto ours = fmt::readNiftiImage(
        folder / "out/sub-phantom/func/sub-phantom_task-rest_desc-undistorted_bold.nii.gz");
    ASSERT_EQ(ours.values.size(), theirs.values.size());
    for (std::size_t i = 0; i < ours.values.size(); ++i)
        ASSERT_NEAR(ours.values[i], theirs.values[i], 1.0) << i;
}

// A pair the plug-in cannot register (no structure at all) gives no field:
// the pair is named with the plug-in's reason, and nothing is written.
TEST_F(DistortionRefusals, PairWithoutStructureGivesNoField) {
    for (const char* dir : {"AP", "PA"}) {
        const auto image = fmap() / (std::string("sub-01_dir-") + dir + "_epi.nii.gz");
        fmt::NiftiOutput blank;
        {
            const fmt::NiftiReader original(image);
            blank.size = original.header().size;
            blank.affine = original.header().affine;
        }
        fmt::writeNiftiImage(image, blank,
                             std::vector<float>(blank.size[0] * blank.size[1] * blank.size[2], 0.0f));
    }
    expectFailure(
        (fmap() / "sub-01_dir-AP_epi.nii.gz").string() + " and " +
        (fmap() / "sub-01_dir-PA_epi.nii.gz").string() +
        ": the distortion plug-in estimated no field from the pair: Not-a-number values detected. Local "
        "optimization skipped. Please start again trying higher order.");
}
