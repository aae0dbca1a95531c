// talvora-bids --analysis connectivity on the committed small dataset: the
// matrices against those numpy computed from the definition when the
// fixture was made (tools/make_connectivity_fixtures.py), the study
// manifests through the graph plug-in's own reader, the measures against
// linkmesh and closed forms, the group level, and every refusal of bad
// input with the file named and nothing written.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "graph/core/graph_feature_compute.h"
#include "graph/io/study_manifest.h"
#include "graph/io/subject_data.h"
#include "host/formats/nifti_image.h"
#include "support/run_program.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;
using test_support::contains;
using test_support::shell;

namespace {

const fs::path kFixture = CONNECTIVITY_FIXTURES;
const std::vector<std::string> kConditions{"finger tapping", "cue", "rest"};
const std::map<std::string, std::string> kDesc{{"finger tapping", "connectivityFingerTapping"},
                                               {"cue", "connectivityCue"},
                                               {"rest", "connectivityRest"}};

std::string atlasOptions(const fs::path& table = kFixture / "atlas_dseg.tsv") {
    return " --atlas " + (kFixture / "atlas_dseg.nii.gz").string() + " --atlas-labels " + table.string();
}

test_support::Outcome runBids(const fs::path& ds, const fs::path& out, const std::string& rest) {
    return shell(std::string(TALVORA_BIDS_EXE) + " " + ds.string() + " " + out.string() + " " + rest);
}

std::vector<std::vector<std::string>> readTsv(const fs::path& path) {
    return test_support::tsvCells(test_support::readBytes(path));
}

std::map<fs::path, std::string> snapshot(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[entry.path()] = test_support::readBytes(entry.path());
    return files;
}

json expected() {
    return json::parse(test_support::readBytes(kFixture / "expected.json"));
}

fs::path funcFile(const fs::path& out, const std::string& sub, const std::string& rest) {
    return out / ("sub-" + sub) / "func" / ("sub-" + sub + "_task-tap_" + rest);
}

class ConnectivityRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test_support::TempFolder;
        before_ = new std::map<fs::path, std::string>(snapshot(kFixture));
        participant_ = new test_support::Outcome(
            runBids(kFixture / "ds", out(), "participant --analysis connectivity" + atlasOptions()));
        group_ = new test_support::Outcome(runBids(kFixture / "ds", out(), "group --analysis connectivity"));
    }
    static void TearDownTestSuite() {
        delete participant_;
        delete group_;
        delete before_;
        delete folder_;
    }
    static fs::path dir() { return folder_->path(); }
    static fs::path out() { return dir() / "out"; }

    static test_support::TempFolder* folder_;
    static std::map<fs::path, std::string>* before_;
    static test_support::Outcome* participant_;
    static test_support::Outcome* group_;
};
test_support::TempFolder* ConnectivityRun::folder_ = nullptr;
std::map<fs::path, std::string>* ConnectivityRun::before_ = nullptr;
test_support::Outcome* ConnectivityRun::participant_ = nullptr;
test_support::Outcome* ConnectivityRun::group_ = nullptr;

}  // namespace

TEST_F(ConnectivityRun, BothLevelsFinishAndTheInputsStayAsTheyWere) {
    EXPECT_EQ(participant_->status, 0) << participant_->output;
    EXPECT_EQ(group_->status, 0) << group_->output;
    EXPECT_TRUE(contains(participant_->output, "talvora-bids: sub-02 connectivity: finished [elapsed "));
    EXPECT_TRUE(*before_ == snapshot(kFixture));
}

TEST_F(ConnectivityRun, MatricesEqualNumpysFromTheDefinition) {
    const json truth = expected();
    for (const auto& [participant, conditions] : truth["participants"].items()) {
        const std::string sub = participant.substr(4);
        for (const auto& condition : kConditions) {
            const auto& want = conditions[condition];
            const fs::path table = funcFile(out(), sub, "desc-" + kDesc.at(condition) + "_relmat.tsv");
            const auto rows = readTsv(table);
            ASSERT_EQ(rows.size(), 5u) << table;
            EXPECT_EQ(rows[0], truth["regions"].get<std::vector<std::string>>());
            for (std::size_t i = 0; i < 4; ++i) {
                ASSERT_EQ(rows[i + 1].size(), 4u);
                for (std::size_t j = 0; j < 4; ++j)
                    EXPECT_NEAR(std::stod(rows[i + 1][j]), want["matrix"][i][j].get<double>(), 1e-6)
                        << table << " " << i << "," << j;
            }
            const json sidecar =
                json::parse(test_support::readBytes(fs::path(table).replace_extension(".json")));
            EXPECT_EQ(sidecar["Condition"], condition);
            EXPECT_EQ(sidecar["NumberOfVolumes"], want["volumes"]);
            EXPECT_EQ(sidecar["VolumesPerRun"], want["volumes_per_run"]);
            EXPECT_EQ(sidecar["RegionNames"], truth["regions"]);
            EXPECT_EQ(sidecar["Atlas"], (kFixture / "atlas_dseg.nii.gz").string());
            EXPECT_EQ(sidecar["HaemodynamicDelay"], 5.0);
            EXPECT_FALSE(sidecar.value("VolumeRule", "").empty());
        }
    }
}

TEST_F(ConnectivityRun, TheGraphPluginOpensTheManifestAndItsMatrices) {
    const json truth = expected();
    for (const std::string sub : {"01", "02"}) {
        const fs::path path = funcFile(out(), sub, "desc-connectivity_manifest.json");
        graph::io::Subject subject;
        subject.manifest = graph::io::readStudyManifest(path.string());
        subject.folder = path.parent_path().string();
        EXPECT_EQ(subject.manifest.unique_id, "sub-" + sub);
        EXPECT_EQ(graph::io::selectNodeNames(subject.manifest),
                  truth["regions"].get<std::vector<std::string>>());
        EXPECT_EQ(subject.manifest.vois_sizes, (std::vector<int>{16, 16, 4, 4}));
        const auto matrices = graph::io::loadFinalMatrices(subject);
        ASSERT_EQ(matrices.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(subject.manifest.ordered_conditions[k].name, kConditions[k]);
            const auto& want = truth["participants"]["sub-" + sub][kConditions[k]]["matrix"];
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    EXPECT_NEAR(matrices[k](i, j), i == j ? 0.0 : want[i][j].get<double>(), 1e-6);
        }
    }
}

TEST_F(ConnectivityRun, MeasuresAreLinkmeshsOnTheMatricesAndStrengthIsTheSumOfPositiveWeights) {
    const json truth = expected();
    const fs::path manifest = funcFile(out(), "01", "desc-connectivity_manifest.json");
    graph::io::Subject subject;
    subject.manifest = graph::io::readStudyManifest(manifest.string());
    subject.folder = manifest.parent_path().string();
    const auto matrices = graph::io::loadFinalMatrices(subject);
    const auto rows = readTsv(funcFile(out(), "01", "desc-connectivity_measures.tsv"));
    ASSERT_EQ(rows.size(), 1u + 3u * 5u);
    const auto& header = rows[0];
    std::size_t row = 1;
    for (std::size_t k = 0; k < 3; ++k) {
        const auto& want = truth["participants"]["sub-01"][kConditions[k]]["matrix"];
        for (std::size_t node = 0; node < 4; ++node, ++row) {
            EXPECT_EQ(rows[row][0], kConditions[k]);
            EXPECT_EQ(rows[row][1], truth["regions"][node]);
            for (std::size_t c = 2; c < header.size(); ++c) {
                if (header[c] == "global_efficiency") {
                    EXPECT_EQ(rows[row][c], "n/a");
                    continue;
                }
                const float value = graph::core::computeFeatureValues(header[c], matrices)[k][node];
                EXPECT_NEAR(std::stod(rows[row][c]), value, 1e-6 * (1 + std::abs(value))) << header[c];
            }
            double strength = 0;
            for (std::size_t j = 0; j < 4; ++j)
                if (j != node) strength += std::max(0.0, want[node][j].get<double>());
            const auto column = std::find(header.begin(), header.end(), "strength") - header.begin();
            EXPECT_NEAR(std::stod(rows[row][static_cast<std::size_t>(column)]), strength, 1e-6);
        }
        const auto global = std::find(header.begin(), header.end(), "global_efficiency") - header.begin();
        EXPECT_EQ(rows[row][1], "n/a");
        EXPECT_NEAR(std::stod(rows[row][static_cast<std::size_t>(global)]),
                    graph::core::computeFeatureValues("global_efficiency", matrices)[k][0], 1e-6);
        ++row;
    }
}

TEST_F(ConnectivityRun, TheGroupManifestListsEveryParticipantsMatrices) {
    const fs::path path = out() / "task-tap_desc-connectivity_manifest.json";
    graph::io::Subject subject;
    subject.manifest = graph::io::readStudyManifest(path.string());
    subject.folder = out().string();
    const auto matrices = graph::io::loadFinalMatrices(subject);
    ASSERT_EQ(matrices.size(), 6u);
    EXPECT_EQ(subject.manifest.ordered_conditions[4].name, "sub-02 / cue");
    const json truth = expected();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const double want =
                i == j ? 0.0 : truth["participants"]["sub-02"]["cue"]["matrix"][i][j].get<double>();
            EXPECT_NEAR(matrices[4](i, j), want, 1e-6);
        }
    const auto rows = readTsv(out() / "task-tap_desc-connectivity_measures.tsv");
    ASSERT_EQ(rows.size(), 1u + 6u * 5u);
    EXPECT_EQ(rows[0][0], "participant_id");
    EXPECT_EQ(rows[1][0], "sub-01");
    EXPECT_EQ(rows[30][0], "sub-02");
    EXPECT_EQ(rows[30][2], "n/a");
    EXPECT_TRUE(fs::exists(out() / "task-tap_desc-connectivity_measures.json"));
}

// Each refusal: a copy of the dataset with one fault, sub-01 only; the
// message names the file and nothing is written to OUTPUT_DIR.
class ConnectivityRefusal : public ::testing::Test {
protected:
    void SetUp() override { fs::copy(kFixture / "ds", ds(), fs::copy_options::recursive); }
    fs::path ds() const { return folder_.path() / "ds"; }
    fs::path out() const { return folder_.path() / "out"; }
    fs::path run(int n) const {
        return ds() / "sub-01" / "func" / ("sub-01_task-tap_run-" + std::to_string(n) + "_bold.nii.gz");
    }
    fs::path events(int n) const {
        return ds() / "sub-01" / "func" / ("sub-01_task-tap_run-" + std::to_string(n) + "_events.tsv");
    }
    test_support::Outcome refused(const std::string& options, int status = 3) const {
        const auto outcome =
            runBids(ds(), out(), "participant --analysis connectivity --participant-label 01" + options);
        EXPECT_EQ(outcome.status, status) << outcome.output;
        EXPECT_FALSE(fs::exists(out())) << outcome.output;
        return outcome;
    }
    // Rewrites a run as float32 after `change` (voxel index, volume, value).
    void rewriteRun(int n, const std::function<void(std::vector<float>&, std::size_t voxels)>& change) const {
        fmt::NiftiImage image = fmt::readNiftiImage(run(n));
        change(image.values, image.header.voxelsPerVolume());
        fmt::NiftiOutput output;
        output.size = image.header.size;
        output.affine = image.header.affine;
        output.trSeconds = 2.0;
        fmt::writeNiftiImage(run(n), output, image.values);
    }
    std::vector<std::size_t> regionVoxels(const std::string& name) const {
        return expected()["region_voxels"][name].get<std::vector<std::size_t>>();
    }

    test_support::TempFolder folder_;
};

TEST_F(ConnectivityRefusal, NoAtlas) {
    const auto outcome = refused("", 2);
    EXPECT_TRUE(
        contains(outcome.output, "talvora-bids: the connectivity analysis needs --atlas and --atlas-labels"))
        << outcome.output;
}

// An atlas that covers more than the runs (a whole-brain atlas, runs of a
// smaller field of view): a table label no run covers is left out with a
// note and named in the sidecar; the matrices are those without it.
TEST_F(ConnectivityRefusal, ATableLabelOnNoRunIsLeftOutWithANote) {
    const fs::path table = folder_.path() / "ghost_dseg.tsv";
    test_support::writeBytes(table, test_support::readBytes(kFixture / "atlas_dseg.tsv") + "9\tGhost\n");
    const std::string options = "participant --analysis connectivity --participant-label 01";
    const auto plain = runBids(ds(), folder_.path() / "plain", options + atlasOptions());
    ASSERT_EQ(plain.status, 0) << plain.output;
    const auto ghost = runBids(ds(), out(), options + atlasOptions(table));
    ASSERT_EQ(ghost.status, 0) << ghost.output;
    EXPECT_TRUE(contains(ghost.output, "note: " + (kFixture / "atlas_dseg.nii.gz").string() +
                                           ": region \"Ghost\" (label 9) has no voxel on the grid of any "
                                           "run; it is left out"))
        << ghost.output;
    const auto sidecar =
        json::parse(test_support::readBytes(funcFile(out(), "01", "desc-connectivityRest_relmat.json")));
    EXPECT_EQ(sidecar["RegionsOutsideRuns"], json::parse(R"([{"Name": "Ghost", "Label": 9}])"));
    for (const auto& name : sidecar["RegionNames"]) EXPECT_NE(name, "Ghost");
    EXPECT_EQ(test_support::readBytes(funcFile(out(), "01", "desc-connectivityRest_relmat.tsv")),
              test_support::readBytes(
                  funcFile(folder_.path() / "plain", "01", "desc-connectivityRest_relmat.tsv")));
}

// A region some runs cover and another does not has no time course there.
TEST_F(ConnectivityRefusal, ARegionMissingFromOneRunsGrid) {
    fmt::NiftiImage image = fmt::readNiftiImage(run(2));
    fmt::NiftiOutput output;
    output.size = image.header.size;
    output.affine = image.header.affine;
    output.affine(0, 3) += 1000.0;  // far off the atlas
    output.trSeconds = 2.0;
    fmt::writeNiftiImage(run(2), output, image.values);
    const auto outcome = refused(atlasOptions());
    EXPECT_TRUE(contains(outcome.output, (kFixture / "atlas_dseg.nii.gz").string() + ": region \""))
        << outcome.output;
    EXPECT_TRUE(contains(outcome.output, " has no voxel on the grid of " + run(2).string()))
        << outcome.output;
}

TEST_F(ConnectivityRefusal, AConditionWithTooFewVolumes) {
    // "cue" keeps one instant in run 1 and none in run 2: one volume.
    test_support::writeBytes(events(1), "onset\tduration\ttrial_type\n0.0\t10.0\trest\n1.0\t0.0\tcue\n");
    test_support::writeBytes(events(2), "onset\tduration\ttrial_type\n0.0\t10.0\trest\n");
    const auto outcome = refused(atlasOptions());
    EXPECT_TRUE(
        contains(outcome.output, events(1).string() + ", " + events(2).string() +
                                     ": condition \"cue\" takes 1 volume(s) of the runs, fewer than the 3 "
                                     "a correlation needs"))
        << outcome.output;
}

TEST_F(ConnectivityRefusal, ARegionConstantOverTheRun) {
    rewriteRun(2, [&](std::vector<float>& values, std::size_t voxels) {
        for (std::size_t t = 0; t < values.size() / voxels; ++t)
            for (std::size_t v : regionVoxels("Visual")) values[t * voxels + v] = 1000.0f;
    });
    const auto outcome = refused(atlasOptions());
    EXPECT_TRUE(contains(
        outcome.output, run(2).string() + ": the time course of region \"Visual\" (label 3) is constant over "
                                          "the run; its correlations are undefined"))
        << outcome.output;
}

TEST_F(ConnectivityRefusal, ARegionConstantOverTheVolumesOfACondition) {
    // The cue's volumes are 3, 13 and 23 of each run (instants at 1, 21, 41 s, 5 s later).
    for (int n : {1, 2})
        rewriteRun(n, [&](std::vector<float>& values, std::size_t voxels) {
            for (std::size_t t : {3, 13, 23})
                for (std::size_t v : regionVoxels("Left motor")) values[t * voxels + v] = 1000.0f + float(n);
        });
    const auto outcome = refused(atlasOptions());
    EXPECT_TRUE(
        contains(outcome.output, run(1).string() + ", " + run(2).string() +
                                     ": the time course of region \"Left motor\" (label 1) is constant "
                                     "over the 6 volumes of condition \"cue\"; its correlations are "
                                     "undefined"))
        << outcome.output;
}

TEST_F(ConnectivityRefusal, ANonFiniteValueInsideARegion) {
    rewriteRun(1, [&](std::vector<float>& values, std::size_t voxels) {
        values[4 * voxels + regionVoxels("Label 5").front()] = std::numeric_limits<float>::quiet_NaN();
    });
    const auto outcome = refused(atlasOptions());
    EXPECT_TRUE(contains(
        outcome.output, run(1).string() + ": volume 4 holds a value that is not a finite number at voxel (0, "
                                          "0, 2) of region \"Label 5\" (label 5)"))
        << outcome.output;
}

TEST_F(ConnectivityRefusal, ANonFiniteValueOutsideEveryRegionDoesNotMatter) {
    rewriteRun(1, [&](std::vector<float>& values, std::size_t voxels) {
        values[4 * voxels + 40] = std::numeric_limits<float>::infinity();  // (0, 2, 2): no label
    });
    const auto outcome =
        runBids(ds(), out(), "participant --analysis connectivity --participant-label 01" + atlasOptions());
    EXPECT_EQ(outcome.status, 0) << outcome.output;
}

TEST_F(ConnectivityRefusal, ARunWithoutEvents) {
    fs::remove(events(2));
    const auto outcome = refused(atlasOptions());
    EXPECT_TRUE(contains(outcome.output, run(2).string() + ": no events file")) << outcome.output;
}

TEST_F(ConnectivityRefusal, AnUnknownCondition) {
    const auto outcome = refused(atlasOptions() + " --condition jump");
    EXPECT_TRUE(
        contains(outcome.output,
                 events(1).string() + ": no trial_type \"jump\" (trial types: finger tapping, cue, rest)"))
        << outcome.output;
}

TEST_F(ConnectivityRefusal, OneConditionWhenAsked) {
    const auto outcome = runBids(
        ds(), out(),
        "participant --analysis connectivity --participant-label 01 --condition rest" + atlasOptions());
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_TRUE(fs::exists(funcFile(out(), "01", "desc-connectivityRest_relmat.tsv")));
    EXPECT_FALSE(fs::exists(funcFile(out(), "01", "desc-connectivityCue_relmat.tsv")));
}

TEST_F(ConnectivityRefusal, TheGroupRefusesParticipantsWithOtherRegions) {
    const fs::path table = folder_.path() / "other_dseg.tsv";
    test_support::writeBytes(table, "index\tname\n1\tLeft motor\n2\tRight motor\n3\tOccipital\n");
    ASSERT_EQ(
        runBids(ds(), out(), "participant --analysis connectivity --participant-label 01" + atlasOptions())
            .status,
        0);
    ASSERT_EQ(runBids(ds(), out(),
                      "participant --analysis connectivity --participant-label 02" + atlasOptions(table))
                  .status,
              0);
    const auto outcome = runBids(ds(), out(), "group --analysis connectivity");
    EXPECT_EQ(outcome.status, 3) << outcome.output;
    EXPECT_TRUE(
        contains(outcome.output, funcFile(out(), "02", "desc-connectivity_manifest.json").string() +
                                     ": its regions (Left motor, Right motor, Occipital, Label 5) differ "
                                     "from those of " +
                                     funcFile(out(), "01", "desc-connectivity_manifest.json").string()))
        << outcome.output;
    EXPECT_FALSE(fs::exists(out() / "task-tap_desc-connectivity_manifest.json"));
    EXPECT_FALSE(fs::exists(out() / "task-tap_desc-connectivity_measures.tsv"));
}
