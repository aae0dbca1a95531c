#pragma once
// Geometry and colours of the circular plot, without Qt: where the nodes,
// the edges' control points and the node labels go, and the colour of a
// weight. The plot widget draws what these functions compute.

#include <cstddef>
#include <vector>

namespace graph::core::circular {

// The chart's axes run from 0 to kExtent in both directions.
constexpr double kExtent = 640.0;
constexpr double kCentre = 320.0;
// Edges bend toward this point, a little below the circle's centre.
constexpr double kBendX = 320.0;
constexpr double kBendY = 330.0;

struct Point {
    double x = 0;
    double y = 0;
};

struct Rgb {
    double red = 0;
    double green = 0;
    double blue = 0;
};

// Node angles in radians: 360/n, 2*360/n, ..., 360 degrees, accumulated and
// converted in single precision.
std::vector<float> nodeAngles(std::size_t n);
// The circle's radius: 640 / 3 in single precision.
float radius();
// Node positions in chart values (y axis pointing up).
std::vector<Point> nodePositions(const std::vector<float>& angles);
// Control point of the edge between two nodes: halfway between the chord's
// midpoint and the bend point.
Point controlPoint(Point a, Point b);

// Piecewise-linear ramp of the weight colour map.
double colourRamp(double x);
// Colour of a weight: red f(w - 0.5), green f(w), blue f(w + 0.5).
Rgb weightColour(double w);

// Pen width of an edge: multiplier x weight (or the fixed thickness),
// truncated toward zero.
int penWidth(bool useWeights, double multiplier, double weight, double fixedThickness);

// The width an edge is drawn with: penWidth, except that a negative width
// (a negative weight) draws the thin one-pixel pen. The width stands for the
// weight's size only above zero; a strong negative weight must not look like
// a strong positive one.
constexpr int kThinPenWidth = 1;
int edgePenWidth(bool useWeights, double multiplier, double weight, double fixedThickness);

}  // namespace graph::core::circular
