// Atlas label images to VOIs. The atlases are written here as inputs; every
// expected VOI voxel is worked out by hand from the affines below.
#include "host/bids/atlas_to_voi.h"

#include "host/formats/nifti_image.h"
#include "host/formats/vtc_file.h"
#include "host/formats/world_placement.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using test_support::readBytes;
using test_support::TempFolder;
using test_support::writeBytes;

void writeAtlas(const fs::path& path, std::array<std::int64_t, 3> size, const fmt::Affine& affine,
                const std::vector<std::pair<std::array<int, 3>, float>>& labels) {
    fmt::NiftiOutput out;
    out.size = {size[0], size[1], size[2], 1};
    out.affine = affine;
    std::vector<float> values(static_cast<std::size_t>(size[0] * size[1] * size[2]), 0.0f);
    for (const auto& [p, label] : labels)
        values[static_cast<std::size_t>((p[2] * size[1] + p[1]) * size[0] + p[0])] = label;
    fmt::writeNiftiImage(path, out, values);
}

std::string convert(const fs::path& in, const fs::path& out,
                    std::map<std::string, std::string> options = {}) {
    std::ostringstream report;
    fmt::ConvertRequest request;
    request.input = in;
    request.output = out;
    request.options = std::move(options);
    request.report = &report;
    talvora::bids::convertAtlasToVoi(request);
    return report.str();
}

TEST(AtlasToVoi, OwnOneMillimetreGridGivesTheVoxelsAsTheyStand) {
    TempFolder tmp;
    fmt::Affine a = fmt::Affine::Identity();
    a(0, 0) = -1.0;  // left-right flipped, still on the world axes
    a.block<3, 1>(0, 3) << 10, -5, 3;
    writeAtlas(tmp / "sub-1_dseg.nii.gz", {4, 3, 2}, a, {{{0, 0, 0}, 2}, {{3, 2, 1}, 1}, {{1, 1, 0}, 2}});
    writeBytes(tmp / "sub-1_dseg.tsv", "index\tname\n1\tLeft\n2\tRight\n3\tNone\n");
    const std::string report = convert(tmp / "sub-1_dseg.nii.gz", tmp / "r.voi");
    EXPECT_EQ(readBytes(tmp / "r.voi"),
              "TALVORA-VOI 1\nCoordinates: volume\nNrOfVOIs: 2\n"
              "\nVOI: Left\nNrOfVoxels: 1\n3 2 1\n"
              "\nVOI: Right\nNrOfVoxels: 2\n0 0 0\n1 1 0\n");
    EXPECT_NE(report.find("1 labels of the table have no voxel and no VOI"), std::string::npos) << report;
}

TEST(AtlasToVoi, LikeARunSamplesNearestNeighbourAtTheRunVoxelCentres) {
    TempFolder tmp;
    // Run: resolution 3, 2 x 1 x 1 voxels; anatomical voxel = world mm, so
    // run voxel x has its centre at world (3x + 1, 1, 1).
    fmt::VtcHeader h;
    h.nrOfVolumes = 1;
    h.grid = {3, 0, 6, 0, 3, 0, 3};
    fmt::writeVtcFile(tmp / "run.vtc", h, {0.0f, 0.0f});
    fmt::writePlacementSidecar(tmp / "run.vtc", fmt::Placement{}, h.grid);
    // Atlas: 2 mm, x flipped: voxel (i, j, k) at world (6.4 - 2i, 2j - 0.4, 2k - 0.4).
    // World (1, 1, 1) is voxel (2.7, 0.7, 0.7) -> (3, 1, 1); world (4, 1, 1) is (1.2, 0.7, 0.7) -> (1, 1, 1).
    fmt::Affine a = fmt::Affine::Identity();
    a(0, 0) = -2.0, a(1, 1) = 2.0, a(2, 2) = 2.0;
    a.block<3, 1>(0, 3) << 6.4, -0.4, -0.4;
    writeAtlas(tmp / "atlas.nii.gz", {4, 2, 2}, a, {{{3, 1, 1}, 5}, {{1, 1, 1}, 7}, {{0, 0, 0}, 9}});
    writeBytes(tmp / "lut.txt",
               "# FreeSurfer-style\n0 Unknown 0 0 0 0\n5\tCortex 10 20 30 0\n9 Far 1 1 1 0\n");
    const std::string report =
        convert(tmp / "atlas.nii.gz", tmp / "r.voi",
                {{"--like", (tmp / "run.vtc").string()}, {"--labels", (tmp / "lut.txt").string()}});
    // Of each run voxel's 3 x 3 x 3 block, offsets 0 and 1 on every axis.
    EXPECT_EQ(readBytes(tmp / "r.voi"),
              "TALVORA-VOI 1\nCoordinates: volume\nNrOfVOIs: 2\n"
              "\nVOI: Cortex\nNrOfVoxels: 8\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n"
              "\nVOI: Label 7\nNrOfVoxels: 8\n3 0 0\n4 0 0\n3 1 0\n4 1 0\n3 0 1\n4 0 1\n3 1 1\n4 1 1\n");
    EXPECT_NE(report.find("1 labels are not in the table: named \"Label N\""), std::string::npos) << report;
    EXPECT_NE(report.find("1 labels of the table have no voxel and no VOI"), std::string::npos) << report;
}

TEST(AtlasToVoi, BadAtlasesAreRefusedAndWriteNothing) {
    TempFolder tmp;
    fmt::Affine twoMm = fmt::Affine::Identity();
    twoMm(0, 0) = twoMm(1, 1) = twoMm(2, 2) = 2.0;
    writeAtlas(tmp / "coarse.nii.gz", {2, 2, 2}, twoMm, {{{1, 1, 1}, 1}});
    writeAtlas(tmp / "fraction.nii.gz", {2, 2, 2}, fmt::Affine::Identity(), {{{1, 0, 0}, 1.5f}});
    writeAtlas(tmp / "empty.nii.gz", {2, 2, 2}, fmt::Affine::Identity(), {});
    writeAtlas(tmp / "twice.nii.gz", {2, 2, 2}, fmt::Affine::Identity(), {{{1, 0, 0}, 1}});
    writeBytes(tmp / "twice.tsv", "index\tname\n1\tA\n1\tB\n");
    struct Case {
        std::string atlas, message;
        std::map<std::string, std::string> options;
    };
    const Case cases[] = {
        {"coarse.nii.gz",
         "is not on a 1 mm grid along the world axes (voxels 2 x 2 x 2 mm); "
         "name the run it belongs to with --like RUN.vtc to sample it onto the run's grid",
         {}},
        {"fraction.nii.gz", "voxel 1 holds 1.500000, not a label (a whole number, 0 for background)", {}},
        {"empty.nii.gz", "holds no label other than 0 (background) on the grid", {}},
    };
    for (const Case& c : cases) {
        try {
            convert(tmp / c.atlas, tmp / "out.voi", c.options);
            ADD_FAILURE() << c.atlas << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), (tmp / c.atlas).string() + ": " + c.message);
        }
        EXPECT_FALSE(fs::exists(tmp / "out.voi")) << c.atlas;
    }
    try {
        convert(tmp / "twice.nii.gz", tmp / "out.voi", {{"--labels", (tmp / "twice.tsv").string()}});
        ADD_FAILURE() << "a label named twice was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), (tmp / "twice.tsv").string() + ": line 3: label 1 is named twice");
    }
    EXPECT_FALSE(fs::exists(tmp / "out.voi"));
}

}  // namespace
