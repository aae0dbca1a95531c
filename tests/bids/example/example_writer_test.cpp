// The example dataset's writer: events tables from protocols, the stored
// left-right flip, the world atlas read back at the runs' voxel centres,
// the Granger runs against the simulator's own time courses, and the
// refusals that leave nothing behind.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include <Eigen/Dense>
#include <nlohmann/json.hpp>

#include "host/formats/nifti_image.h"
#include "support/test_files.h"
#include "tools/make_bids_study/bids_study.h"
#include "tools/make_bids_study/vtc_to_bids.h"
#include "tools/make_bids_study/world_atlas.h"
#include "tools/make_study/granger_study.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

// The label of the atlas voxel nearest world point `world`; -1 outside.
int atlasLabelAt(const fmt::NiftiImage& atlas, const Eigen::Vector3d& world) {
    const Eigen::Vector4d p = atlas.header.affine.inverse() * world.homogeneous();
    std::int64_t index = 0, stride = 1;
    for (int a = 0; a < 3; ++a) {
        const auto c = static_cast<std::int64_t>(std::floor(p[a] + 0.5));
        if (c < 0 || c >= atlas.header.size[static_cast<std::size_t>(a)]) return -1;
        index += c * stride;
        stride *= atlas.header.size[static_cast<std::size_t>(a)];
    }
    return static_cast<int>(atlas.values[static_cast<std::size_t>(index)]);
}

bids_study::GridLabels grid(const bids_study::RunPlacement& placement, std::array<int, 3> dims, int label) {
    bids_study::GridLabels g;
    g.placement = placement;
    g.dims = dims;
    g.labels.assign(static_cast<std::size_t>(dims[0] * dims[1] * dims[2]), 0);
    // A region of two voxels: (1, 0, 0) and (1, 1, 0).
    g.labels[1] = label;
    g.labels[static_cast<std::size_t>(dims[0]) + 1] = label;
    return g;
}

}  // namespace

TEST(ExampleEvents, ProtocolsInMillisecondsAndVolumesBecomeSecondsConditionByCondition) {
    fmt::ProtocolFile ms;
    ms.timeUnit = fmt::ProtocolFile::TimeUnit::Milliseconds;
    ms.conditions = {{"Task", {20000, 220000}, {199999, 399999}}, {"Rest", {0}, {19999}}};
    EXPECT_EQ(bids_study::eventsTable(ms, 2000),
              "onset\tduration\ttrial_type\n20\t179.999\tTask\n220\t179.999\tTask\n0\t19.999\tRest\n");
    // Volume v (from 1) starts at (v - 1) TR; an interval ends after its last volume.
    fmt::ProtocolFile volumes;
    volumes.timeUnit = fmt::ProtocolFile::TimeUnit::Volumes;
    volumes.conditions = {{"A", {11}, {100}}, {"B", {1, 101}, {10, 101}}};
    EXPECT_EQ(bids_study::eventsTable(volumes, 1500),
              "onset\tduration\ttrial_type\n15\t135\tA\n0\t15\tB\n150\t1.5\tB\n");
}

TEST(ExamplePlacement, FlippedStorageMovesTheFirstVoxelToTheOtherEnd) {
    const auto placement = bids_study::axisAlignedPlacement(3.0, {-16.5, -34.5, -1.5}, true);
    const fmt::Affine affine = bids_study::niftiAffine(placement, 12);
    // NIfTI voxel 0 holds VTC column 11, at -16.5 + 33 mm; each step goes 3 mm left.
    EXPECT_DOUBLE_EQ(affine(0, 0), -3.0);
    EXPECT_DOUBLE_EQ(affine(0, 3), 16.5);
    EXPECT_DOUBLE_EQ(affine(1, 1), 3.0);
    EXPECT_DOUBLE_EQ(affine(1, 3), -34.5);
    const fmt::Affine plain =
        bids_study::niftiAffine(bids_study::axisAlignedPlacement(2.0, {1, 2, 3}, false), 12);
    EXPECT_DOUBLE_EQ(plain(0, 0), 2.0);
    EXPECT_DOUBLE_EQ(plain(0, 3), 1.0);
}

// Two grids, one with voxel centres on whole millimetres (RAS), one on half
// millimetres (stored flipped): the atlas read at every run voxel's centre
// gives that voxel's label.
TEST(ExampleAtlas, ReadAtEveryRunVoxelCentreItGivesThatVoxelsLabel) {
    test_support::TempFolder folder;
    const auto a = grid(bids_study::axisAlignedPlacement(3.0, {-20.0, -5.0, 7.0}, false), {5, 4, 3}, 1);
    const auto b = grid(bids_study::axisAlignedPlacement(3.0, {4.5, 10.5, -1.5}, true), {4, 3, 2}, 2);
    bids_study::writeWorldAtlas({a, b}, folder / "atlas.nii.gz", "test");
    const auto atlas = fmt::readNiftiImage(folder / "atlas.nii.gz");
    EXPECT_EQ(atlas.header.datatype, 2);  // uint8
    for (const auto* g : {&a, &b}) {
        int labelled = 0;
        for (int z = 0; z < g->dims[2]; ++z)
            for (int y = 0; y < g->dims[1]; ++y)
                for (int x = 0; x < g->dims[0]; ++x) {
                    const Eigen::Vector3d centre =
                        (g->placement.vtcVoxelToWorld * Eigen::Vector4d(x, y, z, 1.0)).head<3>();
                    const int expected =
                        g->labels[static_cast<std::size_t>((z * g->dims[1] + y) * g->dims[0] + x)];
                    EXPECT_EQ(atlasLabelAt(atlas, centre), expected) << x << " " << y << " " << z;
                    labelled += expected != 0;
                }
        EXPECT_EQ(labelled, 2);
    }
}

TEST(ExampleAtlas, RegionsSharingWorldSpaceAreRefusedAndNothingIsWritten) {
    test_support::TempFolder folder;
    const auto placement = bids_study::axisAlignedPlacement(3.0, {0, 0, 0}, false);
    try {
        bids_study::writeWorldAtlas({grid(placement, {3, 3, 1}, 1), grid(placement, {3, 3, 1}, 2)},
                                    folder / "atlas.nii.gz", "test");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  (folder / "atlas.nii.gz").string() + ": labels 1 and 2 overlap in world space");
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

// The Granger runs hold the simulator's own time courses: BOLD voxel
// (nx - 1 - x, y, z) of volume t is voxel (x, y, z) of the simulated
// subject at t.
TEST(ExampleDataset, GrangerRunsHoldTheSimulatedTimeCoursesStoredFlipped) {
    test_support::TempFolder folder;
    std::ostringstream progress;
    bids_study::writeBidsStudy({}, folder / "ds", progress);
    EXPECT_EQ(progress.str(), "wrote sub-01\nwrote sub-02\n");
    const study::GrangerStudyOptions options;
    for (int p = 1; p <= 2; ++p) {
        const std::string sub = "sub-0" + std::to_string(p);
        const auto bold =
            fmt::readNiftiImage(folder / "ds" / sub / "func" / (sub + "_task-granger_run-1_bold.nii.gz"));
        ASSERT_EQ(bold.header.size[0], options.dimX);
        ASSERT_EQ(bold.header.size[1], options.dimY);
        ASSERT_EQ(bold.header.size[2], options.dimZ);
        ASSERT_EQ(bold.header.size[3], options.volumes);
        EXPECT_DOUBLE_EQ(bold.header.timeStepMilliseconds(), options.trMs);
        const auto simulated = study::simulateGrangerSubject(options, p);
        const std::size_t nx = options.dimX, voxels = simulated.size() / options.volumes;
        for (std::size_t v = 0; v < voxels; ++v) {
            const std::size_t x = v % nx, stored = v - x + (nx - 1 - x);
            for (std::size_t t = 0; t < static_cast<std::size_t>(options.volumes); t += 37)
                ASSERT_EQ(bold.values[t * voxels + stored], simulated[v * options.volumes + t])
                    << sub << " " << v;
        }
        // Task: volumes 11 ... 100 and 111 ... 200 of 2 s.
        EXPECT_EQ(
            test_support::readBytes(folder / "ds" / sub / "func" / (sub + "_task-granger_run-1_events.tsv")),
            "onset\tduration\ttrial_type\n20\t179.999\tTask\n220\t179.999\tTask\n0\t19.999\tRest\n200\t19.999\tRest\n");
    }
    const auto truth = json::parse(test_support::readBytes(folder / "ds" / "truth.json"));
    EXPECT_EQ(truth["sub-02"]["granger"]["reference_label"], 4);
    EXPECT_EQ(truth["sub-02"]["latency"]["bold"].size(), 2u);
    EXPECT_EQ(test_support::readBytes(folder / "ds/derivatives/atlas/atlas-regions_dseg.tsv"),
              "index\tname\n1\tRegion1\n2\tRegion2\n3\tRegion3\n4\tReference\n");
}

TEST(ExampleDataset, AFolderThatHoldsFilesIsRefusedAndKeptAsItWas) {
    test_support::TempFolder folder;
    fs::create_directories(folder / "ds");
    test_support::writeBytes(folder / "ds" / "notes.txt", "mine");
    std::ostringstream progress;
    try {
        bids_study::writeBidsStudy({}, folder / "ds", progress);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  (folder / "ds").string() + ": exists and is not an empty folder; choose a new one");
    }
    EXPECT_EQ(test_support::readBytes(folder / "ds" / "notes.txt"), "mine");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path())) ++entries;
    EXPECT_EQ(entries, 1u);  // no hidden half-made dataset beside it
    bids_study::BidsStudyOptions none;
    none.participants = 0;
    EXPECT_THROW(bids_study::writeBidsStudy(none, folder / "other", progress), std::runtime_error);
    EXPECT_FALSE(fs::exists(folder / "other"));
}
