#include "bids/layout/metadata.h"

#include <gtest/gtest.h>

#include "small_dataset.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using bids::layout::DatasetError;
using bids::layout::imageExtensions;
using bids::layout::nearestFor;
using bids::layout::readDataset;
using bids::layout::sidecarFor;
using bids_test::writeFile;

TEST(BidsMetadata, TopLevelSidecarAppliesToEveryRunOfTheTask) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    const auto dataset = readDataset(folder.path());
    const auto run = dataset.find("02", "bold", imageExtensions()).at(0);
    EXPECT_EQ(
        sidecarFor(dataset, run),
        nlohmann::json::parse(R"({"RepetitionTime": 2.0, "TaskName": "motor", "SliceTiming": [0, 1]})"));
}

TEST(BidsMetadata, DeeperLevelsOverrideKeyByKey) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    writeFile(folder / "sub-01" / "sub-01_task-motor_bold.json",
              R"({"RepetitionTime": 1.5, "EchoTime": 0.03})");
    writeFile(folder / "sub-01" / "func" / "sub-01_task-motor_run-1_bold.json", R"({"EchoTime": 0.025})");
    // Metadata of another task or run must not apply.
    writeFile(folder / "sub-01" / "func" / "sub-01_task-motor_run-2_bold.json", R"({"EchoTime": 9})");
    writeFile(folder / "task-rest_bold.json", R"({"RepetitionTime": 9})");
    const auto dataset = readDataset(folder.path());
    const auto run = dataset.find("01", "bold", imageExtensions()).at(0);
    EXPECT_EQ(sidecarFor(dataset, run), nlohmann::json::parse(R"({"RepetitionTime": 1.5, "TaskName": "motor",
                                                                 "SliceTiming": [0, 1], "EchoTime": 0.025})"));
    // sub-02 sees only the top level.
    EXPECT_EQ(sidecarFor(dataset, dataset.find("02", "bold", imageExtensions()).at(0))["RepetitionTime"],
              2.0);
}

TEST(BidsMetadata, TwoSidecarsAtOneLevelAreAnError) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    writeFile(folder / "sub-01" / "func" / "sub-01_task-motor_bold.json", "{}");
    writeFile(folder / "sub-01" / "func" / "sub-01_task-motor_run-1_bold.json", "{}");
    const auto dataset = readDataset(folder.path());
    const auto run = dataset.find("01", "bold", imageExtensions()).at(0);
    try {
        sidecarFor(dataset, run);
        FAIL() << "no error";
    } catch (const DatasetError& e) {
        EXPECT_EQ(std::string(e.what()),
                  (folder / "sub-01/func/sub-01_task-motor_bold.json").string() + " and " +
                      (folder / "sub-01/func/sub-01_task-motor_run-1_bold.json").string() +
                      " both apply to " + run.path.string());
    }
}

TEST(BidsMetadata, ASidecarThatIsNotAnObjectIsNamed) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    writeFile(folder / "task-motor_bold.json", "[1, 2]");
    const auto dataset = readDataset(folder.path());
    try {
        sidecarFor(dataset, dataset.find("01", "bold", imageExtensions()).at(0));
        FAIL() << "no error";
    } catch (const DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), (folder / "task-motor_bold.json").string() + ": not a JSON object");
    }
}

TEST(BidsMetadata, EventsComeFromTheNearestLevel) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    fs::remove(folder / "sub-02" / "func" / "sub-02_task-motor_run-1_events.tsv");
    writeFile(folder / "task-motor_events.tsv", "onset\tduration\n1\t1\n");
    const auto dataset = readDataset(folder.path());
    const auto own =
        nearestFor(dataset, dataset.find("01", "bold", imageExtensions()).at(0), "events", ".tsv");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->relative, fs::path("sub-01/func/sub-01_task-motor_run-1_events.tsv"));
    const auto inherited =
        nearestFor(dataset, dataset.find("02", "bold", imageExtensions()).at(0), "events", ".tsv");
    ASSERT_TRUE(inherited);
    EXPECT_EQ(inherited->relative, fs::path("task-motor_events.tsv"));
    EXPECT_FALSE(nearestFor(dataset, dataset.find("01", "T1w", imageExtensions()).at(0), "events", ".tsv"));
}
