#include "graph/core/circular_layout.h"

#include <cmath>

namespace graph::core::circular {

namespace {
constexpr float kDegreesToRadians = 0.017453292f;
// The labels are turned with this approximation of pi; kept so that they
// line up exactly as they always have.
constexpr double kLabelPi = 3.14156;
// Below this horizontal share the outward direction counts as vertical
// (cos of 90 degrees in single precision is not exactly 0).
constexpr double kVerticalTolerance = 1e-4;
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

std::size_t labelNode(std::size_t slot, std::size_t n) {
    return slot + 1 < n ? n - 2 - slot : n - 1;
}

LabelPlacement labelPlacement(float angle, Point nodeOnScreen, Point centre) {
    double ux = nodeOnScreen.x - centre.x;
    double uy = nodeOnScreen.y - centre.y;
    const double length = std::hypot(ux, uy);
    if (length > 0) {
        ux /= length;
        uy /= length;
    }
    LabelPlacement placement;
    double gain = 1.0;
    double offset = 5.0;
    if (std::abs(ux) < kVerticalTolerance) {
        placement.rotation = 0.0;
    } else if (ux < 0) {
        gain = 2.0;
        offset = 0.0;
        placement.rotation = angle * 180.0 / kLabelPi + 180.0;
    } else {
        gain = 1.25;
        offset = 0.0;
        placement.rotation = angle * 180.0 / kLabelPi;
    }
    placement.position = {nodeOnScreen.x + 60.0 * gain * ux + offset,
                          nodeOnScreen.y + 60.0 * gain * uy + offset};
    return placement;
}

int penWidth(bool useWeights, double multiplier, double weight, double fixedThickness) {
    const double width = useWeights ? multiplier * weight : fixedThickness;
    return static_cast<int>(std::trunc(width));
}

}  // namespace graph::core::circular
