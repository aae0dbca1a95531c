#include "bids/derivatives/writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "small_dataset.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using bids::derivatives::DerivativeWriter;
using bids::derivatives::WriteError;
using test_support::readBytes;

namespace {

struct WriterTest : ::testing::Test {
    test_support::TempFolder folder;
    bids::layout::Dataset source;
    void SetUp() override {
        bids_test::writeSmallDataset(folder / "bids");
        source = bids::layout::readDataset(folder / "bids");
    }
    fs::path out() const { return folder / "out"; }
};

std::vector<std::string> namesUnder(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) names.push_back(entry.path().lexically_relative(root).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(WriterTest, FirstFileBringsTheDatasetDescription) {
    const DerivativeWriter writer(out(), source, "talvora-bids", "1.2.3");
    EXPECT_FALSE(fs::exists(out()));
    writer.writeText(out() / "sub-01" / "func" / "a.tsv", "x\n");
    EXPECT_EQ(namesUnder(out()), (std::vector<std::string>{"dataset_description.json", "sub-01/func/a.tsv"}));
    const auto description = nlohmann::json::parse(readBytes(out() / "dataset_description.json"));
    EXPECT_EQ(description["DatasetType"], "derivative");
    EXPECT_EQ(description["Name"], "Talvora analyses of Small");
    EXPECT_EQ(description["BIDSVersion"], "1.8.0");
    ASSERT_EQ(description["GeneratedBy"].size(), 1u);
    EXPECT_EQ(description["GeneratedBy"][0]["Name"], "talvora-bids");
    EXPECT_EQ(description["GeneratedBy"][0]["Version"], "1.2.3");
    EXPECT_EQ(description["SourceDatasets"][0]["URL"], "file://" + (folder / "bids").string());
    EXPECT_EQ(readBytes(out() / "sub-01" / "func" / "a.tsv"), "x\n");
}

TEST_F(WriterTest, ImageComesWithItsSidecar) {
    const DerivativeWriter writer(out(), source, "talvora-bids", "1");
    const auto image = out() / "sub-01" / "func" / "sub-01_desc-x_map.nii.gz";
    fs::path seen;
    writer.writeImage(image, {{"Description", "a map"}, {"Units", "s"}}, [&](const fs::path& temporary) {
        seen = temporary;
        EXPECT_EQ(temporary.parent_path(), image.parent_path());
        EXPECT_EQ(temporary.filename().string().substr(temporary.filename().string().size() - 7), ".nii.gz");
        test_support::writeBytes(temporary, "bytes");
    });
    EXPECT_FALSE(fs::exists(seen));
    EXPECT_EQ(readBytes(image), "bytes");
    EXPECT_EQ(nlohmann::json::parse(readBytes(out() / "sub-01" / "func" / "sub-01_desc-x_map.json")),
              (nlohmann::json{{"Description", "a map"}, {"Units", "s"}}));
    EXPECT_EQ(namesUnder(out()).size(), 3u);
}

TEST_F(WriterTest, FailedImageLeavesNothingBehind) {
    const DerivativeWriter writer(out(), source, "talvora-bids", "1");
    const auto image = out() / "sub-01" / "func" / "sub-01_desc-x_map.nii.gz";
    EXPECT_THROW(writer.writeImage(image, {{"Description", "a map"}},
                                   [&](const fs::path& temporary) {
                                       test_support::writeBytes(temporary, "half");
                                       throw std::runtime_error("disk full");
                                   }),
                 std::runtime_error);
    EXPECT_EQ(namesUnder(out()), (std::vector<std::string>{"dataset_description.json"}));
    // A writer that wrote nothing is an error too.
    EXPECT_THROW(writer.writeImage(image, {{"Description", "a map"}}, [](const fs::path&) {}), WriteError);
    EXPECT_EQ(namesUnder(out()), (std::vector<std::string>{"dataset_description.json"}));
}

TEST_F(WriterTest, ImagesNeedASidecarThatSaysWhatTheyHold) {
    const DerivativeWriter writer(out(), source, "talvora-bids", "1");
    const auto image = out() / "a_map.nii";
    EXPECT_THROW(writer.writeImage(image, {{"Units", "s"}}, [](const fs::path&) {}), std::logic_error);
    EXPECT_THROW(writer.writeText(image, "x"), std::logic_error);
    EXPECT_THROW(writer.copyIn(folder / "bids" / "participants.tsv", out() / "b_map.nii.gz"),
                 std::logic_error);
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(WriterTest, UnwritableFolderIsNamedAndLeavesNoPart) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directories(out());
    const DerivativeWriter writer(out(), source, "talvora-bids", "1");
    writer.writeText(out() / "first.tsv", "1\n");
    fs::create_directories(out() / "locked");
    ::chmod((out() / "locked").c_str(), 0555);
    try {
        writer.writeText(out() / "locked" / "a.tsv", "x\n");
        ADD_FAILURE() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(std::string(e.what()), (out() / "locked" / "a.tsv").string() + ": cannot be written");
    }
    EXPECT_EQ(test_support::entriesIn(out() / "locked"), 0u);
    ::chmod((out() / "locked").c_str(), 0755);
}

TEST_F(WriterTest, CopyInCopiesWhole) {
    const DerivativeWriter writer(out(), source, "talvora-bids", "1");
    writer.copyIn(folder / "bids" / "participants.tsv", out() / "sub-01" / "logs" / "p.tsv");
    EXPECT_EQ(readBytes(out() / "sub-01" / "logs" / "p.tsv"),
              readBytes(folder / "bids" / "participants.tsv"));
    EXPECT_THROW(writer.copyIn(folder / "absent", out() / "x.tsv"), WriteError);
    EXPECT_FALSE(fs::exists(out() / "x.tsv"));
}

TEST_F(WriterTest, FileThatCannotTakeItsNameLeavesNoTemporary) {
    const DerivativeWriter writer(out(), source, "talvora-bids", "1");
    fs::create_directories(out() / "taken.tsv" / "inside");
    try {
        writer.writeText(out() / "taken.tsv", "x\n");
        ADD_FAILURE() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      (out() / "taken.tsv").string() + ": cannot move the new file into place (", 0),
                  0u)
            << e.what();
    }
    EXPECT_EQ(namesUnder(out()), (std::vector<std::string>{"dataset_description.json"}));
}
