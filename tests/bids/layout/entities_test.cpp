#include "bids/layout/entities.h"

#include <gtest/gtest.h>

using bids::layout::entitiesSubset;
using bids::layout::Entity;
using bids::layout::parseFileName;

TEST(BidsFileName, TakesApartEntitiesSuffixAndExtension) {
    const auto name = parseFileName("sub-01_ses-2_task-motor_acq-fast_dir-AP_run-3_bold.nii.gz");
    ASSERT_TRUE(name);
    const std::vector<Entity> expected{{"sub", "01"},   {"ses", "2"},  {"task", "motor"},
                                       {"acq", "fast"}, {"dir", "AP"}, {"run", "3"}};
    EXPECT_EQ(name->entities, expected);
    EXPECT_EQ(name->suffix, "bold");
    EXPECT_EQ(name->extension, ".nii.gz");
    EXPECT_EQ(name->get("task"), "motor");
    EXPECT_EQ(name->get("echo"), "");
    EXPECT_FALSE(name->has("echo"));
    EXPECT_EQ(name->str(), "sub-01_ses-2_task-motor_acq-fast_dir-AP_run-3_bold.nii.gz");
}

TEST(BidsFileName, TopLevelSidecarsHaveNoSubject) {
    const auto name = parseFileName("task-motor_bold.json");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->entities, (std::vector<Entity>{{"task", "motor"}}));
    EXPECT_EQ(name->suffix, "bold");
    EXPECT_EQ(name->extension, ".json");
}

TEST(BidsFileName, RefusesNamesThatAreNotKeyValuePairs) {
    EXPECT_FALSE(parseFileName("dataset_description.json"));
    EXPECT_FALSE(parseFileName("sub-01_task-_bold.nii"));
    EXPECT_FALSE(parseFileName("sub-01_task-a-b_bold.nii"));
    EXPECT_FALSE(parseFileName("sub-01_sub-02_bold.nii"));
    EXPECT_FALSE(parseFileName("sub-01_.nii"));
    EXPECT_FALSE(parseFileName("sub-01_bold-x.nii"));
}

TEST(BidsFileName, SubsetIsTheInheritanceTest) {
    const auto data = parseFileName("sub-01_task-motor_run-1_bold.nii.gz")->entities;
    EXPECT_TRUE(entitiesSubset(parseFileName("task-motor_bold.json")->entities, data));
    EXPECT_TRUE(entitiesSubset(parseFileName("sub-01_task-motor_bold.json")->entities, data));
    EXPECT_FALSE(entitiesSubset(parseFileName("sub-01_task-motor_run-2_bold.json")->entities, data));
    EXPECT_FALSE(entitiesSubset(parseFileName("task-rest_bold.json")->entities, data));
    EXPECT_FALSE(entitiesSubset(parseFileName("sub-01_task-motor_acq-x_bold.json")->entities, data));
}
