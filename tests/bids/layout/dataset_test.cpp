#include "bids/layout/dataset.h"

#include <gtest/gtest.h>

#include "bids/layout/tsv.h"
#include "small_dataset.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using bids::layout::DatasetError;
using bids::layout::imageExtensions;
using bids::layout::readDataset;
using bids_test::writeFile;

namespace {

std::string errorOf(const fs::path& root) {
    try {
        readDataset(root);
    } catch (const DatasetError& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(BidsDataset, AFolderWithoutDescriptionIsNotADataset) {
    test_support::TempFolder folder;
    EXPECT_EQ(errorOf(folder.path()),
              folder.path().string() + ": not a BIDS dataset (no dataset_description.json)");
    EXPECT_EQ(errorOf(folder / "absent"),
              (folder / "absent").string() + ": not a BIDS dataset (not a folder)");
    writeFile(folder / "dataset_description.json", "{\"Name\": ");
    EXPECT_EQ(errorOf(folder.path()),
              (folder / "dataset_description.json").string() +
                  ": not a BIDS dataset (dataset_description.json is not a JSON object)");
    writeFile(folder / "dataset_description.json", R"({"Name": "x"})");
    EXPECT_EQ(errorOf(folder.path()), (folder / "dataset_description.json").string() +
                                          ": not a BIDS dataset (\"Name\" or \"BIDSVersion\" missing)");
}

TEST(BidsDataset, ParticipantsAreTheSubjectFolders) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    fs::create_directories(folder / "sub-10");
    writeFile(folder / "sub-x.txt", "not a folder");
    const auto dataset = readDataset(folder.path());
    EXPECT_EQ(dataset.participants, (std::vector<std::string>{"01", "02", "10"}));
    EXPECT_TRUE(dataset.hasParticipant("10"));
    EXPECT_FALSE(dataset.hasParticipant("03"));
    ASSERT_EQ(dataset.warnings.size(), 1u);
    EXPECT_EQ(dataset.warnings[0], (folder / "participants.tsv").string() + " does not list sub-10");
}

TEST(BidsDataset, ParticipantsTableIsChecked) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    writeFile(folder / "participants.tsv", "participant_id\nsub-01\nsub-02\nsub-03\n");
    EXPECT_EQ(readDataset(folder.path()).warnings,
              std::vector<std::string>{(folder / "participants.tsv").string() +
                                       " lists sub-03, which has no folder"});
    writeFile(folder / "participants.tsv", "id\tage\n01\t3\n");
    EXPECT_EQ(errorOf(folder.path()),
              (folder / "participants.tsv").string() + ": no \"participant_id\" column");
    writeFile(folder / "participants.tsv", "participant_id\n01\n");
    EXPECT_EQ(errorOf(folder.path()), (folder / "participants.tsv").string() +
                                          ": participant_id \"01\" does not begin with \"sub-\"");
    writeFile(folder / "participants.tsv", "participant_id\tage\nsub-01\n");
    EXPECT_EQ(errorOf(folder.path()),
              (folder / "participants.tsv").string() + ": line 2 has 1 columns, the header 2");
}

TEST(BidsDataset, FindsFilesBySubjectSuffixExtensionAndTask) {
    test_support::TempFolder folder;
    bids_test::writeSmallDataset(folder.path());
    writeFile(folder / "sub-01" / "ses-a" / "func" / "sub-01_ses-a_task-rest_bold.nii", "image");
    const auto dataset = readDataset(folder.path());

    const auto bold = dataset.find("01", "bold", imageExtensions());
    ASSERT_EQ(bold.size(), 2u);
    EXPECT_EQ(bold[0].relative, fs::path("sub-01/func/sub-01_task-motor_run-1_bold.nii.gz"));
    EXPECT_EQ(bold[0].datatype, "func");
    EXPECT_EQ(bold[0].path, folder / "sub-01/func/sub-01_task-motor_run-1_bold.nii.gz");
    EXPECT_EQ(bold[1].relative, fs::path("sub-01/ses-a/func/sub-01_ses-a_task-rest_bold.nii"));
    EXPECT_EQ(bold[1].name.get("ses"), "a");

    const auto motor = dataset.find("01", "bold", imageExtensions(), "motor");
    ASSERT_EQ(motor.size(), 1u);
    EXPECT_EQ(motor[0].name.get("run"), "1");
    EXPECT_EQ(dataset.find("01", "epi", imageExtensions()).size(), 2u);
    EXPECT_EQ(dataset.find("01", "epi", {".json"}).size(), 2u);
    EXPECT_EQ(dataset.find("02", "epi", imageExtensions()).size(), 0u);
    EXPECT_EQ(dataset.tasks("bold"), (std::vector<std::string>{"motor", "rest"}));
    EXPECT_EQ(dataset.tasks("events"), (std::vector<std::string>{"motor"}));
}

TEST(BidsTable, ReadsRowsAndColumns) {
    test_support::TempFolder folder;
    writeFile(folder / "t.tsv", "index\tname\r\n1\tLeft\r\n2\tRight\r\n\r\n");
    const auto table = bids::layout::readTable(folder / "t.tsv");
    EXPECT_EQ(table.columns, (std::vector<std::string>{"index", "name"}));
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[1], (std::vector<std::string>{"2", "Right"}));
    EXPECT_EQ(table.column("name"), 1);
    EXPECT_EQ(table.column("onset"), -1);
    writeFile(folder / "empty.tsv", "");
    EXPECT_THROW(bids::layout::readTable(folder / "empty.tsv"), std::runtime_error);
    EXPECT_THROW(bids::layout::readTable(folder / "absent.tsv"), std::runtime_error);
}
