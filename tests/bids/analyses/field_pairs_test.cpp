// Pairing a participant's EPI field maps and assigning the BOLD runs to
// them, on small datasets with placeholder images (the pairing reads names
// and sidecars only).
#include "bids/analyses/field_pairs.h"

#include <gtest/gtest.h>

#include "small_dataset.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using bids::analyses::FieldPlan;
using bids::analyses::pairFieldMaps;
using bids::analyses::seriesForRun;
using bids_test::writeFile;

namespace {

struct FieldPairs : ::testing::Test {
    test_support::TempFolder folder;
    fs::path root() const { return folder / "bids"; }
    fs::path fmap() const { return root() / "sub-01" / "fmap"; }
    fs::path func() const { return root() / "sub-01" / "func"; }

    void SetUp() override {
        writeFile(root() / "dataset_description.json", R"({"Name": "Pairs", "BIDSVersion": "1.8.0"})");
        // Inherited by every EPI series and run.
        writeFile(root() / "epi.json", R"({"TotalReadoutTime": 0.04})");
        writeFile(root() / "bold.json", R"({"TotalReadoutTime": 0.04, "PhaseEncodingDirection": "j-"})");
    }
    void epi(const std::string& name, const std::string& sidecar) {
        writeFile(fmap() / (name + "_epi.nii.gz"), "image");
        writeFile(fmap() / (name + "_epi.json"), sidecar);
    }
    void bold(const std::string& name, const std::string& sidecar = "") {
        writeFile(func() / (name + "_bold.nii.gz"), "image");
        if (!sidecar.empty()) writeFile(func() / (name + "_bold.json"), sidecar);
    }
    std::vector<bids::app::Run> runs(bids::layout::Dataset& dataset) {
        bids::app::Plan plan;
        plan.options.analysis = "distortion";
        plan.dataset = bids::layout::readDataset(root());
        dataset = plan.dataset;
        return bids::app::participantRuns(plan, "01");
    }
    FieldPlan pairs() {
        bids::layout::Dataset dataset;
        const auto found = runs(dataset);
        return pairFieldMaps(dataset, "01", found);
    }
    std::string failure() {
        try {
            pairs();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no failure";
    }
};

}  // namespace

TEST_F(FieldPairs, NamesThatDifferInDirPairAndTheOnlyPairTakesTheRuns) {
    epi("sub-01_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    epi("sub-01_dir-AP", R"({"PhaseEncodingDirection": "j-"})");
    bold("sub-01_task-a_run-1");
    bold("sub-01_task-b_run-1");
    const auto plan = pairs();
    ASSERT_EQ(plan.pairs.size(), 1u);
    EXPECT_EQ(plan.pairs[0].first.epi.path.filename(), "sub-01_dir-AP_epi.nii.gz");
    EXPECT_EQ(plan.pairs[0].second.epi.path.filename(), "sub-01_dir-PA_epi.nii.gz");
    EXPECT_EQ(plan.pairs[0].first.encoding.text, "j-");
    EXPECT_DOUBLE_EQ(plan.pairs[0].second.readoutSeconds, 0.04);  // inherited from the top
    EXPECT_EQ(plan.pairs[0].runs, (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(plan.uncorrected.empty());
}

TEST_F(FieldPairs, IdentifiersPairAndSourcesAssign) {
    // Named alike by dir, but the identifiers cross the names.
    epi("sub-01_acq-x_dir-AP", R"({"PhaseEncodingDirection": "j-", "B0FieldIdentifier": "one"})");
    epi("sub-01_acq-y_dir-PA", R"({"PhaseEncodingDirection": "j", "B0FieldIdentifier": "one"})");
    epi("sub-01_acq-x_dir-PA", R"({"PhaseEncodingDirection": "j", "B0FieldIdentifier": ["two"]})");
    epi("sub-01_acq-y_dir-AP", R"({"PhaseEncodingDirection": "j-", "B0FieldIdentifier": "two"})");
    bold("sub-01_task-a_run-1", R"({"B0FieldSource": "two"})");
    bold("sub-01_task-a_run-2", R"({"B0FieldSource": ["one"]})");
    bold("sub-01_task-a_run-3", R"({"B0FieldSource": "three"})");
    const auto plan = pairs();
    ASSERT_EQ(plan.pairs.size(), 2u);
    EXPECT_EQ(plan.pairs[0].identifier, "one");
    EXPECT_EQ(plan.pairs[0].first.epi.path.filename(), "sub-01_acq-x_dir-AP_epi.nii.gz");
    EXPECT_EQ(plan.pairs[0].second.epi.path.filename(), "sub-01_acq-y_dir-PA_epi.nii.gz");
    EXPECT_EQ(plan.pairs[0].runs, (std::vector<std::size_t>{1}));
    EXPECT_EQ(plan.pairs[1].identifier, "two");
    EXPECT_EQ(plan.pairs[1].runs, (std::vector<std::size_t>{0}));
    EXPECT_EQ(plan.uncorrected, (std::vector<std::size_t>{2}));
}

TEST_F(FieldPairs, IntendedForAsBidsUrisAndOlderRelativePaths) {
    epi("sub-01_acq-x_dir-AP",
        R"({"PhaseEncodingDirection": "j-", "IntendedFor": ["bids::sub-01/func/sub-01_task-a_run-2_bold.nii.gz"]})");
    epi("sub-01_acq-x_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    epi("sub-01_acq-y_dir-AP",
        R"({"PhaseEncodingDirection": "j-", "IntendedFor": "func/sub-01_task-a_run-1_bold.nii.gz"})");
    epi("sub-01_acq-y_dir-PA",
        R"({"PhaseEncodingDirection": "j", "IntendedFor": "bids:other:sub-01/func/x.nii"})");
    bold("sub-01_task-a_run-1");
    bold("sub-01_task-a_run-2");
    bold("sub-01_task-a_run-3");
    const auto plan = pairs();
    ASSERT_EQ(plan.pairs.size(), 2u);
    EXPECT_EQ(plan.pairs[0].runs, (std::vector<std::size_t>{1}));
    EXPECT_EQ(plan.pairs[1].runs, (std::vector<std::size_t>{0}));
    // Two pairs in the session and nothing names run 3.
    EXPECT_EQ(plan.uncorrected, (std::vector<std::size_t>{2}));
}

TEST_F(FieldPairs, DirectionsThatAreNotOppositeAreRefusedNamingBothFiles) {
    epi("sub-01_dir-AP", R"({"PhaseEncodingDirection": "j"})");
    epi("sub-01_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    bold("sub-01_task-a_run-1");
    EXPECT_EQ(failure(), (fmap() / "sub-01_dir-AP_epi.nii.gz").string() + " and " +
                             (fmap() / "sub-01_dir-PA_epi.nii.gz").string() +
                             ": \"PhaseEncodingDirection\" \"j\" and \"j\" are not opposite; a pair needs i "
                             "with i- or j with j-");
}

TEST_F(FieldPairs, DirectionsOnTwoAxesAreRefused) {
    epi("sub-01_dir-AP", R"({"PhaseEncodingDirection": "j-"})");
    epi("sub-01_dir-PA", R"({"PhaseEncodingDirection": "i"})");
    bold("sub-01_task-a_run-1");
    EXPECT_NE(failure().find("\"j-\" and \"i\" are not opposite"), std::string::npos) << failure();
}

TEST_F(FieldPairs, MissingReadoutTimeIsRefusedNamingTheSeries) {
    fs::remove(root() / "epi.json");
    epi("sub-01_dir-AP", R"({"PhaseEncodingDirection": "j-", "TotalReadoutTime": 0.04})");
    epi("sub-01_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    bold("sub-01_task-a_run-1");
    EXPECT_EQ(failure(), (fmap() / "sub-01_dir-PA_epi.nii.gz").string() +
                             ": no \"TotalReadoutTime\" in its sidecar; the field in Hz needs it");
}

TEST_F(FieldPairs, UnequalReadoutTimesAndLoneSeriesAreRefused) {
    epi("sub-01_dir-AP", R"({"PhaseEncodingDirection": "j-", "TotalReadoutTime": 0.05})");
    epi("sub-01_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    bold("sub-01_task-a_run-1");
    EXPECT_NE(failure().find(": \"TotalReadoutTime\" differs (0.050000 and 0.040000 s)"), std::string::npos)
        << failure();
    fs::remove(fmap() / "sub-01_dir-PA_epi.nii.gz");
    EXPECT_EQ(failure(), (fmap() / "sub-01_dir-AP_epi.nii.gz").string() +
                             ": no opposite series to pair it with (pairs are named alike but for the dir "
                             "entity, or share a \"B0FieldIdentifier\")");
}

TEST_F(FieldPairs, AParticipantWithoutEpiSeriesIsRefused) {
    bold("sub-01_task-a_run-1");
    EXPECT_EQ(failure(), (root() / "sub-01").string() +
                             " has no field-map pair (fmap/*_epi.nii[.gz] in opposite phase-encoding "
                             "directions); the distortion analysis needs one");
}

TEST_F(FieldPairs, AnIdentifierOfThreeSeriesIsRefused) {
    epi("sub-01_dir-AP", R"({"PhaseEncodingDirection": "j-", "B0FieldIdentifier": "f"})");
    epi("sub-01_dir-PA", R"({"PhaseEncodingDirection": "j", "B0FieldIdentifier": "f"})");
    epi("sub-01_dir-LR", R"({"PhaseEncodingDirection": "i", "B0FieldIdentifier": "f"})");
    bold("sub-01_task-a_run-1");
    EXPECT_NE(failure().find("\"B0FieldIdentifier\" \"f\" is given to 3 EPI series"), std::string::npos)
        << failure();
}

TEST_F(FieldPairs, EachRunTakesTheMapOfTheSeriesEncodedLikeIt) {
    epi("sub-01_dir-AP", R"({"PhaseEncodingDirection": "j-"})");
    epi("sub-01_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    bold("sub-01_task-a_run-1");
    bold("sub-01_task-a_run-2", R"({"PhaseEncodingDirection": "j"})");
    bold("sub-01_task-a_run-3", R"({"PhaseEncodingDirection": "i"})");
    bold("sub-01_task-a_run-4", R"({"TotalReadoutTime": 0.08})");
    bids::layout::Dataset dataset;
    const auto found = runs(dataset);
    const auto plan = pairFieldMaps(dataset, "01", found);
    ASSERT_EQ(plan.pairs.size(), 1u);
    EXPECT_EQ(seriesForRun(plan.pairs[0], found[0]), 0);
    EXPECT_EQ(seriesForRun(plan.pairs[0], found[1]), 1);
    try {
        seriesForRun(plan.pairs[0], found[2]);
        ADD_FAILURE() << "a run encoded along i taken by a j pair";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("run-3_bold.nii.gz: \"PhaseEncodingDirection\" \"i\" lies along "
                                             "another axis than "),
                  std::string::npos)
            << e.what();
    }
    try {
        seriesForRun(plan.pairs[0], found[3]);
        ADD_FAILURE() << "a run with another readout time taken";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(
            std::string(e.what()).find("run-4_bold.nii.gz: \"TotalReadoutTime\" 0.080000 s differs from "
                                       "the 0.040000 s of "),
            std::string::npos)
            << e.what();
    }
}

TEST_F(FieldPairs, EachSessionsOnlyPairTakesThatSessionsRuns) {
    for (const std::string ses : {"1", "2"}) {
        const auto base = root() / "sub-01" / ("ses-" + ses);
        for (const auto& [dir, pe] : {std::pair<std::string, std::string>{"AP", "j-"}, {"PA", "j"}}) {
            const std::string name = "sub-01_ses-" + ses + "_dir-" + dir + "_epi";
            writeFile(base / "fmap" / (name + ".nii.gz"), "image");
            writeFile(base / "fmap" / (name + ".json"), R"({"PhaseEncodingDirection": ")" + pe + "\"}");
        }
        writeFile(base / "func" / ("sub-01_ses-" + ses + "_task-a_bold.nii.gz"), "image");
    }
    const auto plan = pairs();
    ASSERT_EQ(plan.pairs.size(), 2u);
    EXPECT_EQ(plan.pairs[0].first.epi.name.get("ses"), "1");
    EXPECT_EQ(plan.pairs[0].runs, (std::vector<std::size_t>{0}));
    EXPECT_EQ(plan.pairs[1].first.epi.name.get("ses"), "2");
    EXPECT_EQ(plan.pairs[1].runs, (std::vector<std::size_t>{1}));
}

TEST_F(FieldPairs, RunsWithoutADirectionOrTwoPairsAreRefused) {
    fs::remove(root() / "bold.json");
    writeFile(root() / "bold.json", R"({"TotalReadoutTime": 0.04})");
    epi("sub-01_acq-x_dir-AP",
        R"({"PhaseEncodingDirection": "j-", "IntendedFor": "func/sub-01_task-a_bold.nii.gz"})");
    epi("sub-01_acq-x_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    bold("sub-01_task-a");
    bids::layout::Dataset dataset;
    const auto found = runs(dataset);
    const auto plan = pairFieldMaps(dataset, "01", found);
    ASSERT_EQ(plan.pairs.size(), 1u);
    try {
        seriesForRun(plan.pairs[0], found[0]);
        ADD_FAILURE() << "a run without a direction taken";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), found[0].bold.path.string() +
                                             ": no \"PhaseEncodingDirection\" in its sidecar; the distortion "
                                             "correction needs it");
    }
    epi("sub-01_acq-y_dir-AP",
        R"({"PhaseEncodingDirection": "j-", "IntendedFor": "func/sub-01_task-a_bold.nii.gz"})");
    epi("sub-01_acq-y_dir-PA", R"({"PhaseEncodingDirection": "j"})");
    EXPECT_EQ(failure(), (func() / "sub-01_task-a_bold.nii.gz").string() +
                             ": more than one field-map pair is for this run (" +
                             (fmap() / "sub-01_acq-x_dir-AP_epi.nii.gz").string() + " and " +
                             (fmap() / "sub-01_acq-y_dir-AP_epi.nii.gz").string() + ")");
}
