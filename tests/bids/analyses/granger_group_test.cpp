// talvora-bids's Granger group level on the example dataset's task "granger"
// with three participants: each analysed at the participant level, then the
// group maps gathered by the plug-in in talvora. The group images are read
// back with nifti_clib itself and compared with the participants' own maps
// and the BOLD runs' headers; every refusal names its file and leaves no
// group folder behind.
#include <gtest/gtest.h>

#include <nifti2_io.h>

#include <array>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/run_program.h"
#include "support/test_files.h"
#include "tools/make_bids_study/tasks.h"

namespace fs = std::filesystem;
using nlohmann::json;
using test_support::contains;
using test_support::shell;

namespace {

// An image as nifti_clib reads it: its scaled values and the matrix it
// chooses (sform when set, else qform).
struct Image {
    std::array<long long, 4> size{};
    std::vector<double> values;
    std::array<std::array<double, 4>, 3> affine{};
};

Image readWithNiftiLibrary(const fs::path& path) {
    Image image;
    nifti_image* nim = nifti_image_read(path.c_str(), 1);
    if (!nim) {
        ADD_FAILURE() << path << ": nifti_clib cannot read it";
        return image;
    }
    for (int d = 0; d < 4; ++d) image.size[d] = nim->dim[d + 1] > 0 ? nim->dim[d + 1] : 1;
    const double slope = nim->scl_slope != 0.0 ? nim->scl_slope : 1.0,
                 intercept = nim->scl_slope != 0.0 ? nim->scl_inter : 0.0;
    EXPECT_EQ(nim->datatype, NIFTI_TYPE_FLOAT32) << path;
    if (nim->datatype == NIFTI_TYPE_FLOAT32) {
        const auto* data = static_cast<const float*>(nim->data);
        for (std::size_t i = 0; i < static_cast<std::size_t>(nim->nvox); ++i)
            image.values.push_back(data[i] * slope + intercept);
    }
    const auto& m = nim->sform_code > 0 ? nim->sto_xyz : nim->qto_xyz;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) image.affine[r][c] = m.m[r][c];
    nifti_image_free(nim);
    return image;
}

const std::vector<std::string> kParticipants{"01", "02", "03"};

class GrangerGroup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test_support::TempFolder;
        const auto made =
            shell(std::string(MAKE_BIDS_STUDY) + " --out " + bids().string() + " --participants 3");
        ASSERT_EQ(made.status, 0) << made.output;
        const auto participants = shell(participantCommand(bids(), atlas(bids()), "out"));
        ASSERT_EQ(participants.status, 0) << participants.output;
        group_ = new test_support::Outcome(shell(groupCommand("out")));
    }
    static void TearDownTestSuite() {
        delete group_;
        delete folder_;
    }
    static fs::path dir() { return folder_->path(); }
    static fs::path bids() { return dir() / "bids"; }
    static fs::path atlas(const fs::path& dataset) {
        return dataset / "derivatives/atlas/atlas-regions_dseg";
    }
    static std::string participantCommand(const fs::path& dataset, const fs::path& atlas,
                                          const std::string& out) {
        // A fixed clock seeds the plug-in's surrogates: thresholds repeat.
        return "TALVORA_GCM_FIXED_CLOCK=1700000000 " + std::string(TALVORA_BIDS_EXE) + " " +
               dataset.string() + " " + (dir() / out).string() +
               " participant --analysis granger --task granger --atlas " + atlas.string() +
               ".nii.gz --atlas-labels " + atlas.string() + ".tsv --reference-label 4";
    }
    static std::string groupCommand(const std::string& out, const std::string& options = "") {
        return std::string(TALVORA_BIDS_EXE) + " " + bids().string() + " " + (dir() / out).string() +
               " group --analysis granger --task granger" + options;
    }
    static const test_support::Outcome& group() { return *group_; }
    static fs::path statmap(const std::string& out, const std::string& sub,
                            const std::string& extension = ".nii.gz") {
        return dir() / out / ("sub-" + sub) / "func" /
               ("sub-" + sub + "_task-granger_desc-granger_statmap" + extension);
    }
    static fs::path mapFile(const std::string& out, const std::string& sub) {
        return dir() / out / ("sub-" + sub) / "func" / ("sub-" + sub + "_task-granger_desc-granger_maps.gcm");
    }
    static fs::path groupMap(const std::string& out, const std::string& kind,
                             const std::string& extension = ".nii.gz") {
        return dir() / out / "group" / ("task-granger_desc-granger" + kind + "_statmap" + extension);
    }
    // A copy of the participants' results to spoil for one refusal.
    static std::string copyOfResults(const std::string& name) {
        fs::copy(dir() / "out", dir() / name, fs::copy_options::recursive);
        fs::remove_all(dir() / name / "group");
        return name;
    }
    static void setSidecarValue(const fs::path& sidecar, const std::string& key, const json& value) {
        auto content = json::parse(test_support::readBytes(sidecar));
        content[key] = value;
        test_support::writeBytes(sidecar, content.dump(2));
    }
    // A group run that must fail at the group step, naming `message`, with
    // nothing left in OUTPUT_DIR/group.
    static std::string expectGroupFailure(const std::string& out, const std::string& message,
                                          const std::string& options = "",
                                          const std::string& environment = "") {
        const auto failed = shell(environment + groupCommand(out, options));
        EXPECT_EQ(failed.status, 3) << failed.output;
        EXPECT_TRUE(contains(failed.output, "talvora-bids: 1 of 1 failed:\n  group: " + message))
            << message << "\n"
            << failed.output;
        EXPECT_FALSE(fs::exists(dir() / out / "group")) << out;
        return failed.output;
    }

private:
    static test_support::TempFolder* folder_;
    static test_support::Outcome* group_;
};
test_support::TempFolder* GrangerGroup::folder_ = nullptr;
test_support::Outcome* GrangerGroup::group_ = nullptr;

}  // namespace

TEST_F(GrangerGroup, ParticipantsKeepTheirMapFilesNamedInTheSidecar) {
    for (const auto& sub : kParticipants) {
        const auto sidecar = json::parse(test_support::readBytes(statmap("out", sub, ".json")));
        EXPECT_EQ(sidecar["MapFile"],
                  "sub-" + sub + "/func/sub-" + sub + "_task-granger_desc-granger_maps.gcm");
        EXPECT_EQ(sidecar["ReferenceRegion"], "Reference");
        EXPECT_EQ(sidecar["Condition"], "Task");
        EXPECT_TRUE(fs::is_regular_file(mapFile("out", sub))) << sub;
        EXPECT_GT(fs::file_size(mapFile("out", sub)), 0u);
        const auto log =
            dir() / "out" / ("sub-" + sub) / "log" / ("sub-" + sub + "_task-granger_desc-granger_gcmlog.txt");
        EXPECT_TRUE(contains(test_support::readBytes(log), "Reference")) << log;
    }
}

TEST_F(GrangerGroup, FinishesWithProgressLinesAndKeepsItsLogs) {
    EXPECT_EQ(group().status, 0) << group().output;
    for (const char* line :
         {"talvora-bids: group granger: started with 3 participants",
          "talvora-bids: group granger: running CausalisPlugin_v27 in talvora (PrepareForANCOVA)",
          "talvora-bids: done, 1 of 1 finished"})
        EXPECT_TRUE(contains(group().output, line)) << line << "\n" << group().output;
    for (const char* log : {"task-granger_desc-granger_job.json", "task-granger_desc-granger_transcript.json",
                            "task-granger_desc-granger_hostlog.txt"})
        EXPECT_TRUE(fs::is_regular_file(dir() / "out/group/log" / log)) << log;
    const auto job =
        json::parse(test_support::readBytes(dir() / "out/group/log/task-granger_desc-granger_job.json"));
    EXPECT_EQ(job["commands"][1]["command"], "PrepareForANCOVA");
    EXPECT_EQ(job["commands"][1]["parameters"]["NrOfSubjects"], 3);
}

// Volume s of each group image is participant s's own map, value for value.
TEST_F(GrangerGroup, EachVolumeIsThatParticipantsMap) {
    ASSERT_EQ(group().status, 0) << group().output;
    const auto inst = readWithNiftiLibrary(groupMap("out", "INST"));
    const auto dgcm = readWithNiftiLibrary(groupMap("out", "dGCM"));
    for (std::size_t s = 0; s < kParticipants.size(); ++s) {
        const auto own = readWithNiftiLibrary(statmap("out", kParticipants[s]));
        ASSERT_EQ(own.size[3], 2);
        const std::size_t voxels = own.values.size() / 2;
        ASSERT_EQ(inst.size[3], 3);
        ASSERT_EQ(dgcm.size[3], 3);
        ASSERT_EQ(inst.values.size(), 3 * voxels);
        ASSERT_EQ(dgcm.values.size(), 3 * voxels);
        int nonZero = 0;
        for (std::size_t v = 0; v < voxels; ++v) {
            EXPECT_EQ(inst.values[s * voxels + v], own.values[v])
                << "sub-" << kParticipants[s] << " voxel " << v;
            EXPECT_EQ(dgcm.values[s * voxels + v], own.values[voxels + v])
                << "sub-" << kParticipants[s] << " voxel " << v;
            nonZero += own.values[voxels + v] != 0.0;
        }
        EXPECT_GT(nonZero, static_cast<int>(voxels / 2));  // real maps, not empty ones
    }
    // The participants' maps differ (own noise), so the order is checked too.
    EXPECT_NE(std::vector<double>(dgcm.values.begin(), dgcm.values.begin() + dgcm.values.size() / 3),
              std::vector<double>(dgcm.values.begin() + dgcm.values.size() / 3,
                                  dgcm.values.begin() + 2 * dgcm.values.size() / 3));
}

TEST_F(GrangerGroup, GroupImagesLieOnTheBoldRunsGrid) {
    ASSERT_EQ(group().status, 0) << group().output;
    const auto bold = readWithNiftiLibrary(bids() / "sub-01/func/sub-01_task-granger_run-1_bold.nii.gz");
    for (const char* kind : {"INST", "dGCM"}) {
        const auto image = readWithNiftiLibrary(groupMap("out", kind));
        for (int d = 0; d < 3; ++d) EXPECT_EQ(image.size[d], bold.size[d]) << kind;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(image.affine[r][c], bold.affine[r][c], 1e-4) << kind << r << c;
    }
}

TEST_F(GrangerGroup, SidecarsNameTheParticipantsInOrder) {
    ASSERT_EQ(group().status, 0) << group().output;
    for (const std::string kind : {"INST", "dGCM"}) {
        const auto sidecar = json::parse(test_support::readBytes(groupMap("out", kind, ".json")));
        EXPECT_EQ(sidecar["Participants"], json::array({"sub-01", "sub-02", "sub-03"}));
        ASSERT_EQ(sidecar["Maps"].size(), 3u);
        for (std::size_t s = 0; s < 3; ++s) {
            EXPECT_EQ(sidecar["Maps"][s]["Name"], "Subject sub-" + kParticipants[s] + ": " + kind);
            EXPECT_EQ(sidecar["Maps"][s]["Participant"], "sub-" + kParticipants[s]);
        }
        EXPECT_EQ(sidecar["Sources"][2], "bids::sub-03/func/sub-03_task-granger_desc-granger_maps.gcm");
        EXPECT_EQ(sidecar["ReferenceRegion"], "Reference");
        EXPECT_EQ(sidecar["ReferenceLabel"], 4);
        EXPECT_EQ(sidecar["Condition"], "Task");
        EXPECT_TRUE(contains(sidecar["Description"].get<std::string>(),
                             "reference region \"Reference\" (atlas label 4)"));
        EXPECT_TRUE(
            contains(sidecar["PluginSettings"]["ParticipantSettings"]["SettingsFile"].get<std::string>(),
                     "AutoRegressionOrder= 2"));
    }
}

TEST_F(GrangerGroup, ParticipantLabelsChooseAndOrderTheGroup) {
    const auto out = copyOfResults("out-chosen");
    const auto run = shell(groupCommand(out, " --participant-label 03 sub-01"));
    ASSERT_EQ(run.status, 0) << run.output;
    const auto sidecar = json::parse(test_support::readBytes(groupMap(out, "dGCM", ".json")));
    EXPECT_EQ(sidecar["Participants"], json::array({"sub-03", "sub-01"}));
    const auto dgcm = readWithNiftiLibrary(groupMap(out, "dGCM"));
    const auto third = readWithNiftiLibrary(statmap(out, "03"));
    const std::size_t voxels = third.values.size() / 2;
    ASSERT_EQ(dgcm.values.size(), 2 * voxels);
    for (std::size_t v = 0; v < voxels; ++v) EXPECT_EQ(dgcm.values[v], third.values[voxels + v]) << v;
}

TEST_F(GrangerGroup, NoParticipantWithResultsIsRefused) {
    const auto failed = shell(groupCommand("out-none"));
    EXPECT_EQ(failed.status, 2) << failed.output;
    EXPECT_TRUE(contains(failed.output,
                         "talvora-bids: " + (dir() / "out-none").string() +
                             " holds no participant's granger results; run the participant level first"))
        << failed.output;
    EXPECT_FALSE(fs::exists(dir() / "out-none"));
}

TEST_F(GrangerGroup, MissingMapFileIsNamed) {
    const auto out = copyOfResults("out-missing");
    fs::remove(mapFile(out, "02"));
    expectGroupFailure(out, mapFile(out, "02").string() +
                                ": the kept Granger map file is missing (named by " +
                                statmap(out, "02", ".json").string() + "); run the participant level again");
}

TEST_F(GrangerGroup, UnreadableMapFileIsNamed) {
    const auto out = copyOfResults("out-unreadable");
    test_support::writeBytes(mapFile(out, "02"), "not a map file\n");
    expectGroupFailure(out, mapFile(out, "02").string() + ": cannot be read as a Granger map file (");
}

TEST_F(GrangerGroup, AnotherReferenceRegionIsNamed) {
    const auto out = copyOfResults("out-reference");
    setSidecarValue(statmap(out, "03", ".json"), "ReferenceLabel", 2);
    setSidecarValue(statmap(out, "03", ".json"), "ReferenceRegion", "Other");
    expectGroupFailure(out, statmap(out, "03", ".json").string() +
                                ": maps of the reference region \"Other\" (atlas label 2), but " +
                                statmap(out, "01", ".json").string() +
                                " of the reference region \"Reference\" (atlas label 4); a group takes one "
                                "reference region");
    expectGroupFailure(out,
                       statmap(out, "01", ".json").string() +
                           ": maps of the reference region \"Reference\" (atlas label 4), not of "
                           "--reference-label 2",
                       " --reference-label 2");
}

TEST_F(GrangerGroup, AnotherConditionIsNamed) {
    const auto out = copyOfResults("out-condition");
    setSidecarValue(statmap(out, "02", ".json"), "Condition", "Rest");
    expectGroupFailure(out, statmap(out, "02", ".json").string() + ": maps of condition \"Rest\", but " +
                                statmap(out, "01", ".json").string() +
                                " of \"Task\"; a group takes one condition");
}

// sub-02 analysed on a dataset whose runs have another grid (10 x 8 x 2):
// the Granger study's subject written as the example dataset writes its
// task, with the reference region labelled as there.
TEST_F(GrangerGroup, AnotherGridIsNamed) {
    const auto other = dir() / "other";
    const auto made = shell(std::string(MAKE_GCM_STUDY) + " --out " + (other / "study").string() +
                            " --subjects 1 --dims 10 8 2");
    ASSERT_EQ(made.status, 0) << made.output;
    const auto task = bids_study::writeGrangerTask(1, 4, other / "bids/sub-02", other / "study");
    fs::create_directories(other / "bids/derivatives/atlas");
    bids_study::writeWorldAtlas({task.regions}, atlas(other / "bids").string() + ".nii.gz", "reference");
    test_support::writeBytes(atlas(other / "bids").string() + ".tsv", "index\tname\n4\tReference\n");
    test_support::writeBytes(other / "bids/dataset_description.json",
                             R"({"Name": "other grid", "BIDSVersion": "1.8.0"})");
    test_support::writeBytes(other / "bids/task-granger_bold.json",
                             json{{"RepetitionTime", task.trSeconds}, {"TaskName", "granger"}}.dump());
    const std::string out = "out-grid";
    const auto analysed = shell(participantCommand(other / "bids", atlas(other / "bids"), out));
    ASSERT_EQ(analysed.status, 0) << analysed.output;
    fs::copy(dir() / "out/sub-01", dir() / out / "sub-01", fs::copy_options::recursive);
    const auto output = expectGroupFailure(
        out, statmap(out, "02").string() + ": on another grid (10 x 8 x 2 voxels, affine rows [",
        " --participant-label 01 02");
    EXPECT_TRUE(contains(
        output, ") than " + statmap(out, "01").string() + " (12 x 8 x 2 voxels, affine rows [-3 0 0 "))
        << output;
    EXPECT_TRUE(contains(output, "]); a group takes maps of one grid")) << output;
}

TEST_F(GrangerGroup, HostThatFailsIsNamed) {
    const auto out = copyOfResults("out-host");
    const auto fake = dir() / "failing-talvora";
    test_support::writeBytes(fake, "#!/bin/sh\necho 'the group run broke'\nexit 3\n");
    fs::permissions(fake, fs::perms::owner_all);
    expectGroupFailure(out,
                       (dir() / "work-host/group/granger/job.json").string() +
                           ": the host ended with status 3: the group run broke",
                       " --work-dir " + (dir() / "work-host").string(), "TALVORA_EXE=" + fake.string() + " ");
}

// The log folder cannot be made after both images were written: the images
// go again, so no group result is left half-written.
TEST_F(GrangerGroup, GroupThatCannotBeWrittenWholeLeavesNoImage) {
    const auto out = copyOfResults("out-unwritable");
    fs::create_directories(dir() / out / "group");
    test_support::writeBytes(dir() / out / "group/log", "in the way\n");
    const auto failed = shell(groupCommand(out));
    EXPECT_EQ(failed.status, 3) << failed.output;
    EXPECT_TRUE(contains(failed.output,
                         "  group: " + (dir() / out / "group/log").string() + ": cannot create the folder"))
        << failed.output;
    EXPECT_EQ(test_support::entriesIn(dir() / out / "group"), 1u);
    EXPECT_EQ(test_support::readBytes(dir() / out / "group/log"), "in the way\n");
}

TEST_F(GrangerGroup, MapFileOfAnotherParticipantIsNamed) {
    const auto out = copyOfResults("out-swapped");
    fs::copy_file(mapFile(out, "03"), mapFile(out, "02"), fs::copy_options::overwrite_existing);
    expectGroupFailure(out, mapFile(out, "02").string() + ": its maps are not those of " +
                                statmap(out, "02").string() +
                                " (a map file of another run?); run the participant level again");
}

TEST_F(GrangerGroup, SidecarWithoutWhatTheGroupNeedsIsNamed) {
    const auto out = copyOfResults("out-sidecar");
    const auto sidecar = statmap(out, "02", ".json");
    auto content = json::parse(test_support::readBytes(sidecar));
    content.erase("MapFile");
    test_support::writeBytes(sidecar, content.dump(2));
    expectGroupFailure(
        out,
        sidecar.string() + ": no \"MapFile\" (maps of an earlier version?); run the participant level again");
    test_support::writeBytes(sidecar, "{\"ReferenceRegion\": ");
    expectGroupFailure(out, sidecar.string() + ": not a sidecar of Granger maps (");
}

TEST_F(GrangerGroup, ConditionOtherThanAskedIsNamed) {
    const auto out = copyOfResults("out-asked");
    expectGroupFailure(
        out, statmap(out, "01", ".json").string() + ": maps of condition \"Task\", not of --condition Rest",
        " --condition Rest");
}

// sub-02 keeps its logs and map file but not its NIfTI maps.
TEST_F(GrangerGroup, ParticipantWithoutMapsIsNamed) {
    const auto out = copyOfResults("out-nomaps");
    fs::remove(statmap(out, "02"));
    fs::remove(statmap(out, "02", ".json"));
    expectGroupFailure(out,
                       (dir() / out / "sub-02").string() +
                           ": holds no Granger maps (*_desc-granger_statmap.nii.gz) of task granger; run the "
                           "participant level first");
}
