// Geometry and colours of the circular plot, checked against hand-computed
// values and against the mirror relation between item and chart coordinates.
#include "graph/core/circular_layout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace graph::core;

using namespace circular;

TEST(CircularLayout, FourNodesSitAtQuarterTurnsFirstOnTop) {
    const std::vector<float> angles = nodeAngles(4);
    ASSERT_EQ(angles.size(), 4u);
    const double degrees[] = {90, 180, 270, 360};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(angles[k] * 180.0 / M_PI, degrees[k], 1e-4) << k;
    const std::vector<Point> p = nodePositions(angles);
    const double r = 640.0 / 3.0;
    const double expected[4][2] = {{320, 320 + r}, {320 - r, 320}, {320, 320 - r}, {320 + r, 320}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(p[k].x, expected[k][0], 1e-3) << k;
        EXPECT_NEAR(p[k].y, expected[k][1], 1e-3) << k;
    }
    EXPECT_FLOAT_EQ(radius(), 213.3333282470703f);
}

TEST(CircularLayout, ControlPointIsHalfwayToTheBendPoint) {
    // Chord from (0, 0) to (640, 0): midpoint (320, 0), bend point (320, 330).
    const Point c = controlPoint({0, 0}, {640, 0});
    EXPECT_DOUBLE_EQ(c.x, 320.0);
    EXPECT_DOUBLE_EQ(c.y, 165.0);
    const Point d = controlPoint({100, 500}, {300, 600});  // mid (200, 550)
    EXPECT_DOUBLE_EQ(d.x, 260.0);
    EXPECT_DOUBLE_EQ(d.y, 440.0);
}

TEST(CircularLayout, WeightColourMatchesTheRampAtKnownPoints) {
    struct Case {
        double w, r, g, b;
    };
    // f(x): 0 up to -0.75, rising to 1 at -0.25, 1 up to 0.25, falling to 0 at 0.75.
    const Case cases[] = {
        {0.0, 0.5, 1.0, 0.5},  {0.5, 1.0, 0.5, 0.0}, {1.0, 0.5, 0.0, 0.0},  {-1.0, 0.0, 0.0, 0.5},
        {0.25, 1.0, 1.0, 0.0}, {2.0, 0.0, 0.0, 0.0}, {-0.5, 0.0, 0.5, 1.0}, {0.75, 1.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const Rgb rgb = weightColour(c.w);
        EXPECT_NEAR(rgb.red, c.r, 1e-12) << c.w;
        EXPECT_NEAR(rgb.green, c.g, 1e-12) << c.w;
        EXPECT_NEAR(rgb.blue, c.b, 1e-12) << c.w;
    }
}

TEST(CircularLayout, LabelSlotShowsTheNodeDrawnAtItsMirroredPosition) {
    // Chart values have y up, item coordinates y down: the slot's value read
    // as an item position lands where the node at (x, 640 - y) is drawn.
    for (const std::size_t n : {1u, 2u, 4u, 7u, 12u, 13u}) {
        const std::vector<Point> p = nodePositions(nodeAngles(n));
        for (std::size_t slot = 0; slot < n; ++slot) {
            const std::size_t node = labelNode(slot, n);
            ASSERT_LT(node, n);
            EXPECT_NEAR(p[slot].x, p[node].x, 1e-3) << n << " " << slot;
            EXPECT_NEAR(p[slot].y, kExtent - p[node].y, 1e-3) << n << " " << slot;
        }
    }
}

TEST(CircularLayout, LabelPlacementByDirection) {
    const Point centre{320, 320};
    // Right: gain 1.25, turned by the angle (with the label's pi).
    LabelPlacement right = labelPlacement(0.5f, {420, 320}, centre);
    EXPECT_DOUBLE_EQ(right.position.x, 420 + 75.0);
    EXPECT_DOUBLE_EQ(right.position.y, 320.0);
    EXPECT_NEAR(right.rotation, 0.5f * 180.0 / 3.14156, 1e-9);
    // Left: gain 2, half a turn more.
    LabelPlacement left = labelPlacement(3.0f, {220, 320}, centre);
    EXPECT_DOUBLE_EQ(left.position.x, 220 - 120.0);
    EXPECT_NEAR(left.rotation, 3.0f * 180.0 / 3.14156 + 180.0, 1e-9);
    // Vertical: gain 1, 5 pixels added on both axes, not turned.
    LabelPlacement down = labelPlacement(1.57f, {320, 420}, centre);
    EXPECT_DOUBLE_EQ(down.position.x, 325.0);
    EXPECT_DOUBLE_EQ(down.position.y, 485.0);
    EXPECT_EQ(down.rotation, 0.0);
}

TEST(CircularLayout, PenWidthTruncatesTowardZero) {
    EXPECT_EQ(penWidth(true, 5.0, 0.55, 1.0), 2);
    EXPECT_EQ(penWidth(true, 5.0, 0.19, 1.0), 0);
    EXPECT_EQ(penWidth(true, 5.0, -0.55, 1.0), -2);
    EXPECT_EQ(penWidth(false, 5.0, 0.55, 3.5), 3);
    EXPECT_EQ(penWidth(true, 10.0, 1.0, 1.0), 10);
}
