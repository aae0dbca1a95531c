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

TEST(CircularLayout, PenWidthTruncatesTowardZero) {
    EXPECT_EQ(penWidth(true, 5.0, 0.55, 1.0), 2);
    EXPECT_EQ(penWidth(true, 5.0, 0.19, 1.0), 0);
    EXPECT_EQ(penWidth(true, 5.0, -0.55, 1.0), -2);
    EXPECT_EQ(penWidth(false, 5.0, 0.55, 3.5), 3);
    EXPECT_EQ(penWidth(true, 10.0, 1.0, 1.0), 10);
}

TEST(CircularLayout, NegativeWeightsDrawTheThinPen) {
    // A strong negative weight must not look like a strong positive one.
    EXPECT_EQ(edgePenWidth(true, 5.0, -0.55, 1.0), 1);
    EXPECT_EQ(edgePenWidth(true, 10.0, -1.0, 1.0), 1);
    EXPECT_EQ(edgePenWidth(true, 5.0, -0.1, 1.0), 0) << "truncated toward zero first, as positive ones";
    EXPECT_EQ(edgePenWidth(true, 5.0, 0.55, 1.0), 2);
    EXPECT_EQ(edgePenWidth(false, 5.0, -0.9, 3.5), 3) << "fixed thickness for every sign";
}
