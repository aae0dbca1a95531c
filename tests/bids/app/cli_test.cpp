// The talvora-bids program: its help, and its refusals of bad input with the
// file or folder named, a non-zero exit and nothing written.
#include <gtest/gtest.h>

#include "small_dataset.h"
#include "support/run_program.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using test_support::contains;
using test_support::shell;

namespace {

struct BidsCli : ::testing::Test {
    test_support::TempFolder folder;
    void SetUp() override { bids_test::writeSmallDataset(folder / "bids"); }
    test_support::Outcome run(const std::string& arguments) {
        return shell(std::string(TALVORA_BIDS_EXE) + " " + arguments);
    }
    std::string bids() const { return (folder / "bids").string(); }
    std::string out() const { return (folder / "out").string(); }
};

}  // namespace

TEST_F(BidsCli, HelpListsEveryOption) {
    const auto outcome = run("--help");
    EXPECT_EQ(outcome.status, 0);
    for (const char* option : {"bids_dir", "output_dir", "analysis_level", "--analysis",
                               "--participant-label", "--task", "--atlas", "--atlas-labels",
                               "--reference-label", "--condition", "--work-dir", "--nthreads", "--help"})
        EXPECT_TRUE(contains(outcome.output, option)) << option;
    for (const char* value : {"latency", "granger", "distortion", "connectivity", "participant", "group"})
        EXPECT_TRUE(contains(outcome.output, value)) << value;
}

TEST_F(BidsCli, BadCommandLinesExitTwo) {
    auto outcome = run(bids() + " " + out() + " participant");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(contains(outcome.output, "--analysis is required")) << outcome.output;
    outcome = run(bids() + " " + out() + " subject --analysis latency");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(contains(outcome.output, "analysis_level: subject not in {participant,group}"))
        << outcome.output;
    outcome = run(bids() + " " + out() + " participant --analysis fmri");
    EXPECT_EQ(outcome.status, 2);
    outcome = run(bids() + " " + out() + " participant --analysis latency --atlas a.nii.gz");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(contains(outcome.output, "--atlas requires --atlas-labels")) << outcome.output;
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(BidsCli, ThreadCountMustBeAPositiveWholeNumber) {
    for (const char* value : {"0", "-1", "x", "1.5"}) {
        const auto outcome =
            run(bids() + " " + out() + " participant --analysis latency --nthreads " + value);
        EXPECT_EQ(outcome.status, 2) << value;
        EXPECT_TRUE(contains(outcome.output, "--nthreads")) << value << ": " << outcome.output;
    }
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(BidsCli, NotABidsDatasetIsNamed) {
    fs::create_directories(folder / "plain");
    const auto outcome = run((folder / "plain").string() + " " + out() + " participant --analysis latency");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output, "talvora-bids: " + (folder / "plain").string() +
                                  ": not a BIDS dataset (no dataset_description.json)\n");
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(BidsCli, UnknownParticipantIsNamed) {
    const auto outcome =
        run(bids() + " " + out() + " participant --analysis latency --participant-label 01 sub-07");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output, "talvora-bids: participant label 07: " + (folder / "bids" / "sub-07").string() +
                                  " does not exist (participants: 01, 02)\n");
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(BidsCli, OutputInsideTheDatasetIsRefused) {
    for (const std::string inside : {"/derivatives/talvora", "", "/sub-01/../x"}) {
        const auto outcome = run(bids() + " " + bids() + inside + " participant --analysis latency");
        EXPECT_EQ(outcome.status, 2) << inside;
        EXPECT_TRUE(contains(outcome.output, ": OUTPUT_DIR is inside BIDS_DIR " + bids())) << outcome.output;
    }
    EXPECT_FALSE(fs::exists(folder / "bids" / "derivatives"));
    EXPECT_FALSE(fs::exists(folder / "bids" / "x"));
    // A sibling whose name begins with the dataset's name is outside it.
    const auto outcome = run(bids() + " " + bids() + "-out participant --analysis latency --task nope");
    EXPECT_TRUE(contains(outcome.output, "task nope: ")) << outcome.output;
    const auto work =
        run(bids() + " " + out() + " participant --analysis latency --work-dir " + bids() + "/work");
    EXPECT_EQ(work.status, 2);
    EXPECT_TRUE(contains(work.output, bids() + "/work: the work folder is inside BIDS_DIR")) << work.output;
}

TEST_F(BidsCli, UnknownTaskAndMissingAnalysisInputsAreNamed) {
    auto outcome = run(bids() + " " + out() + " participant --analysis latency --task rest");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output,
              "talvora-bids: task rest: " + bids() + " has no BOLD run of it (tasks: motor)\n");
    outcome = run(bids() + " " + out() + " participant --analysis connectivity");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output, "talvora-bids: the connectivity analysis needs --atlas and --atlas-labels\n");
    outcome = run(bids() + " " + out() + " participant --analysis granger --atlas " + bids() +
                  "/participants.tsv --atlas-labels " + bids() + "/none.tsv --reference-label 1");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output, "talvora-bids: " + bids() + "/none.tsv: no such file\n");
    bids_test::writeFile(folder / "bids/sub-01/func/sub-01_task-rest_bold.nii.gz", "image");
    outcome = run(bids() + " " + out() + " participant --analysis latency");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output,
              "talvora-bids: " + bids() + " has several tasks (motor, rest): choose one with --task\n");
    EXPECT_FALSE(fs::exists(folder / "out"));
}

// The Granger participant level needs the atlas and the reference; the
// group level takes them from the participants' results.
TEST_F(BidsCli, GrangerNeedsItsAtlasAtTheParticipantLevelOnly) {
    auto outcome = run(bids() + " " + out() + " participant --analysis granger");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output, "talvora-bids: the granger analysis needs --atlas and --atlas-labels\n");
    outcome = run(bids() + " " + out() + " participant --analysis granger --atlas " + bids() +
                  "/participants.tsv --atlas-labels " + bids() + "/participants.tsv");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output,
              "talvora-bids: the granger analysis needs --reference-label (the atlas label of the reference "
              "region)\n");
    outcome = run(bids() + " " + out() + " group --analysis granger");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.output,
              "talvora-bids: " + out() +
                  " holds no participant's granger results; run the participant level first\n");
    EXPECT_FALSE(fs::exists(out()));
}
