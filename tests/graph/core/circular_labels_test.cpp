// Placement of the circular plot's labels, checked by mapping the text box's
// corners through the returned turn and position by hand.
#include "graph/core/circular_labels.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace graph::core::circular;

namespace {

// Where the box's local point (x, y) lands: turned clockwise (y down) about
// the box's origin, then moved to the position.
Point mapped(const RadialLabel& label, double x, double y) {
    const double t = label.rotation * M_PI / 180.0;
    return {label.position.x + x * std::cos(t) - y * std::sin(t),
            label.position.y + x * std::sin(t) + y * std::cos(t)};
}

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

}  // namespace

TEST(CircularLabels, RightSideStartsAtTheNodeAndRunsOutward) {
    const Point centre{320, 320};
    const Point node{420, 220};  // up and to the right, 45 degrees
    const RadialLabel label = radialLabel(node, centre, 10.0, 80.0, 12.0);
    EXPECT_FALSE(label.flipped);
    EXPECT_NEAR(label.rotation, -45.0, 1e-9);
    const double s = std::sqrt(0.5);
    const Point start = mapped(label, 0, 6);
    EXPECT_NEAR(start.x, 420 + 10 * s, 1e-9);
    EXPECT_NEAR(start.y, 220 - 10 * s, 1e-9);
    const Point end = mapped(label, 80, 6);
    EXPECT_NEAR(end.x, 420 + 90 * s, 1e-9);
    EXPECT_NEAR(end.y, 220 - 90 * s, 1e-9);
}

TEST(CircularLabels, LeftSideIsTurnedOverAndStillRunsOutward) {
    const Point centre{320, 320};
    const Point node{220, 320};  // straight left
    const RadialLabel label = radialLabel(node, centre, 10.0, 80.0, 12.0);
    EXPECT_TRUE(label.flipped);
    // The text reads left to right: its own x axis points right on screen.
    const Point a = mapped(label, 0, 6);
    const Point b = mapped(label, 1, 6);
    EXPECT_NEAR(b.x - a.x, 1.0, 1e-9);
    EXPECT_NEAR(b.y - a.y, 0.0, 1e-9);
    // Its end touches the anchor beside the node, its start lies outward.
    const Point end = mapped(label, 80, 6);
    EXPECT_NEAR(end.x, 210.0, 1e-9);
    EXPECT_NEAR(end.y, 320.0, 1e-9);
    const Point start = mapped(label, 0, 6);
    EXPECT_NEAR(start.x, 130.0, 1e-9);
    // Every corner farther from the centre than the anchor's side.
    for (const Point corner :
         {mapped(label, 0, 0), mapped(label, 80, 0), mapped(label, 0, 12), mapped(label, 80, 12)})
        EXPECT_GT(distance(corner, centre), 100.0 + 10.0 - 1e-9);
}

TEST(CircularLabels, EveryDirectionKeepsTheBoxOutsideTheInnerCircle) {
    const Point centre{320, 320};
    const double radius = 200.0;
    for (int k = 0; k < 72; ++k) {
        const double a = k * 5.0 * M_PI / 180.0;
        const Point node{centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)};
        const RadialLabel label = radialLabel(node, centre, 9.0, 60.0, 14.0);
        // The box's middle lies on the ray from the centre through the node.
        const Point middle = mapped(label, 30, 7);
        const double along = std::atan2(middle.y - centre.y, middle.x - centre.x);
        EXPECT_NEAR(std::remainder(along - a, 2 * M_PI), 0.0, 1e-9) << k;
        EXPECT_NEAR(distance(middle, centre), radius + 9.0 + 30.0, 1e-9) << k;
        for (const Point corner :
             {mapped(label, 0, 0), mapped(label, 60, 0), mapped(label, 0, 14), mapped(label, 60, 14)})
            EXPECT_GT(distance(corner, centre), radius + 9.0 - 1e-9) << k;
    }
}

TEST(CircularLabels, NeighbourGapAndThinning) {
    // Twelve nodes on a circle of radius 100: neighbours 2 * 100 * sin(15 deg) apart.
    EXPECT_NEAR(neighbourGap(12, 100.0), 51.76380902050415, 1e-9);
    EXPECT_NEAR(labelHeightBudget(12, 100.0), 0.8 * 51.76380902050415, 1e-9);
    EXPECT_EQ(labelStep(10.0, 12.0), 1u);
    EXPECT_EQ(labelStep(12.0, 12.0), 1u);
    EXPECT_EQ(labelStep(12.5, 12.0), 2u);
    EXPECT_EQ(labelStep(30.0, 12.0), 3u);
    EXPECT_EQ(labelStep(5.0, 0.0), 1u);
}
