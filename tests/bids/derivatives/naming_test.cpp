#include "bids/derivatives/naming.h"

#include <gtest/gtest.h>

using bids::derivatives::derivativeName;
using bids::derivatives::derivativePath;
using bids::layout::parseFileName;

TEST(BidsDerivativeNames, AddEntitiesInBidsOrder) {
    const auto source = *parseFileName("sub-01_ses-2_task-motor_run-1_bold.nii.gz");
    EXPECT_EQ(derivativeName(source, {{{"desc", "latency"}}, "map", ".nii.gz"}),
              "sub-01_ses-2_task-motor_run-1_desc-latency_map.nii.gz");
    // space comes before desc, label before desc, whatever order they are given in.
    EXPECT_EQ(
        derivativeName(source, {{{"desc", "granger"}, {"space", "T1w"}, {"label", "V1"}}, "map", ".json"}),
        "sub-01_ses-2_task-motor_run-1_space-T1w_label-V1_desc-granger_map.json");
    // An entity the source has is replaced, not repeated.
    EXPECT_EQ(derivativeName(source, {{{"run", "2"}, {"desc", "x"}}, "bold", ".nii"}),
              "sub-01_ses-2_task-motor_run-2_desc-x_bold.nii");
}

TEST(BidsDerivativeNames, RefuseWhatWouldNotParseBack) {
    const auto source = *parseFileName("sub-01_task-motor_bold.nii.gz");
    EXPECT_THROW(derivativeName(source, {{{"desc", "a_b"}}, "map", ".nii.gz"}), std::invalid_argument);
    EXPECT_THROW(derivativeName(source, {{{"desc", ""}}, "map", ".nii.gz"}), std::invalid_argument);
    EXPECT_THROW(derivativeName(source, {{}, "map-x", ".nii.gz"}), std::invalid_argument);
    const auto name = derivativeName(source, {{{"desc", "latencyOnset"}}, "map", ".nii.gz"});
    ASSERT_TRUE(parseFileName(name));
    EXPECT_EQ(parseFileName(name)->get("desc"), "latencyOnset");
}

TEST(BidsDerivativeNames, PathFollowsTheSourceFolders) {
    const auto withSession = *parseFileName("sub-01_ses-2_task-motor_bold.nii.gz");
    EXPECT_EQ(derivativePath("/out", withSession, "func", {{{"desc", "x"}}, "map", ".nii.gz"}),
              std::filesystem::path("/out/sub-01/ses-2/func/sub-01_ses-2_task-motor_desc-x_map.nii.gz"));
    const auto plain = *parseFileName("sub-03_T1w.nii.gz");
    EXPECT_EQ(derivativePath("/out", plain, "anat", {{}, "T1w", ".vmr"}),
              std::filesystem::path("/out/sub-03/anat/sub-03_T1w.vmr"));
}
