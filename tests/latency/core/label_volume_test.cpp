// The label volume: rounding of anatomical coordinates to VTC cells, the
// reference convention, overlapping VOIs and the mask's byte order.

#include <gtest/gtest.h>

#include <vector>

#include "latency/core/label_volume.h"

namespace {

using latency::core::LabelVolume;
using latency::core::VtcGrid;

VtcGrid smallGrid() {
    VtcGrid g;
    g.xStart = 50;
    g.yStart = 40;
    g.zStart = 30;
    g.resolution = 3;
    g.dimX = 4;
    g.dimY = 3;
    g.dimZ = 2;
    return g;
}

TEST(GridCell, RoundsHalfUpAndClamps) {
    const struct {
        int coordinate, expected;
    } cases[] = {{50, 0}, {51, 0}, {52, 1}, {53, 1}, {54, 1}, {55, 2}, {48, 0}, {40, 0}, {100, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(latency::core::gridCell(c.coordinate, 50, 3, 4), c.expected) << c.coordinate;
}

TEST(VoiCoordinates, ReferenceConventionAndVolumeCoordinates) {
    const int triple[] = {10, 20, 30};
    const auto reference = latency::core::voiVoxelToVmr(triple, 3);
    EXPECT_EQ(reference.x, 108);
    EXPECT_EQ(reference.y, 98);
    EXPECT_EQ(reference.z, 118);
    const auto volume = latency::core::voiVoxelToVmr(triple, 1);
    EXPECT_EQ(volume.x, 10);
    EXPECT_EQ(volume.y, 20);
    EXPECT_EQ(volume.z, 30);
}

TEST(LabelVolumeTest, LaterVoiOwnsOverlapAndScanIsLinearOrder) {
    LabelVolume labels(smallGrid());
    // VOI 1: cells (0,0,0) and (3,2,1); VOI 2: cell (3,2,1) again and (1,0,0).
    const std::vector<int> first = {50, 40, 30, 59, 46, 33};
    const std::vector<int> second = {60, 46, 34, 53, 41, 29};
    labels.paintVoi(first.data(), 2, 1, 1);
    labels.paintVoi(second.data(), 2, 1, 2);
    EXPECT_EQ(labels.at(0, 0, 0), 1);
    EXPECT_EQ(labels.at(3, 2, 1), 2);
    EXPECT_EQ(labels.at(1, 0, 0), 2);
    const VtcGrid g = smallGrid();
    EXPECT_EQ(labels.selectedVoxels(), (std::vector<int>{0, 1, (1 * g.dimY + 2) * g.dimX + 3}));
    EXPECT_EQ(labels.atIndex((1 * g.dimY + 2) * g.dimX + 3), 2);
}

TEST(LabelVolumeTest, MaskBytesXFastestThenYThenZ) {
    const VtcGrid g = smallGrid();
    std::vector<unsigned char> mask(static_cast<std::size_t>(g.voxelCount()), 0);
    mask[static_cast<std::size_t>(g.linearIndex(2, 1, 0))] = 7;
    mask[static_cast<std::size_t>(g.linearIndex(0, 2, 1))] = 1;
    LabelVolume labels(g);
    labels.copyMask(mask.data());
    EXPECT_EQ(labels.at(2, 1, 0), 7);
    EXPECT_EQ(labels.at(0, 2, 1), 1);
    EXPECT_EQ(labels.selectedVoxels(), (std::vector<int>{g.linearIndex(2, 1, 0), g.linearIndex(0, 2, 1)}));
}

}  // namespace
