#include "graph/core/circular_layout.h"

#include <cmath>

namespace graph::core::circular {

namespace {
constexpr float kDegreesToRadians = 0.017453292f;
}  // namespace

std::vector<float> nodeAngles(std::size_t n) {
    std::vector<float> angles;
    angles.reserve(n);
    if (n == 0) return angles;
    const float step = 360.0f / static_cast<float>(n);
    float degrees = 0.0f;
    for (std::size_t k = 0; k < n; ++k) {
        degrees += step;
        angles.push_back(degrees * kDegreesToRadians);
    }
    return angles;
}

float radius() {
    return static_cast<float>(kExtent) / 3.0f;
}

std::vector<Point> nodePositions(const std::vector<float>& angles) {
    std::vector<Point> positions;
    positions.reserve(angles.size());
    const double r = radius();
    for (const float a : angles) positions.push_back({kCentre + r * std::cos(a), kCentre + r * std::sin(a)});
    return positions;
}

Point controlPoint(Point a, Point b) {
    const Point mid{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
    return {mid.x + (kBendX - mid.x) / 2.0, mid.y + (kBendY - mid.y) / 2.0};
}

double colourRamp(double x) {
    if (x <= -0.75) return 0.0;
    if (x <= -0.25) return 2.0 * (x + 0.75);
    if (x <= 0.25) return 1.0;
    if (x <= 0.75) return 1.0 - 2.0 * (x - 0.25);
    return 0.0;
}

Rgb weightColour(double w) {
    return {colourRamp(w - 0.5), colourRamp(w), colourRamp(w + 0.5)};
}

int penWidth(bool useWeights, double multiplier, double weight, double fixedThickness) {
    const double width = useWeights ? multiplier * weight : fixedThickness;
    return static_cast<int>(std::trunc(width));
}

int edgePenWidth(bool useWeights, double multiplier, double weight, double fixedThickness) {
    const int width = penWidth(useWeights, multiplier, weight, fixedThickness);
    return width < 0 ? kThinPenWidth : width;
}

}  // namespace graph::core::circular
