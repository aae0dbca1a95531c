// Grid copies between a host record and a plug-in's own grid struct.
#include "frame/grid.h"

#include <gtest/gtest.h>

#include <cstring>

#include "frame/host_records.h"

namespace {

struct PluginGrid {
    int resolution = 0;
    int xStart = 0, xEnd = 0, yStart = 0, yEnd = 0, zStart = 0, zEnd = 0;
};

TEST(GridBox, CopiesEachFieldToItsNamesake) {
    tl::NRVMPSetRecord set;
    std::memset(&set, 0, sizeof set);
    set.resolution = 3;
    set.xStart = 10;
    set.xEnd = 20;
    set.yStart = 30;
    set.yEnd = 40;
    set.zStart = 50;
    set.zEnd = 60;
    PluginGrid g;
    tl::copyGridBox(set, g);
    EXPECT_EQ(g.resolution, 3);
    EXPECT_EQ(g.xStart, 10);
    EXPECT_EQ(g.xEnd, 20);
    EXPECT_EQ(g.yStart, 30);
    EXPECT_EQ(g.yEnd, 40);
    EXPECT_EQ(g.zStart, 50);
    EXPECT_EQ(g.zEnd, 60);
    EXPECT_TRUE(tl::sameGridBox(g, set));
}

TEST(GridBox, AnyOneDifferingFieldMakesAnotherGrid) {
    const PluginGrid base{3, 10, 20, 30, 40, 50, 60};
    for (int field = 0; field < 7; ++field) {
        PluginGrid other = base;
        int* fields[] = {&other.resolution, &other.xStart, &other.xEnd, &other.yStart,
                         &other.yEnd,       &other.zStart, &other.zEnd};
        *fields[field] += 1;
        EXPECT_FALSE(tl::sameGridBox(base, other)) << "field " << field;
    }
    EXPECT_TRUE(tl::sameGridBox(base, PluginGrid(base)));
}

}  // namespace
