#include "graph/core/circular_labels.h"

#include <algorithm>
#include <cmath>

namespace graph::core::circular {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Below this horizontal share the outward direction counts as vertical (the
// single-precision cosine of 90 degrees is not exactly 0); vertical labels
// are not turned over.
constexpr double kVerticalTolerance = 1e-4;
// Neighbouring boxes meet at a small angle; this share of their gap keeps
// their inner corners apart.
constexpr double kGapShare = 0.8;
}  // namespace

RadialLabel radialLabel(Point node, Point centre, double offset, double width, double height) {
    double ux = node.x - centre.x;
    double uy = node.y - centre.y;
    const double length = std::hypot(ux, uy);
    if (length > 0) {
        ux /= length;
        uy /= length;
    } else {
        ux = 1.0;  // a single point: read to the right
        uy = 0.0;
    }
    const Point anchor{node.x + offset * ux, node.y + offset * uy};
    RadialLabel label;
    label.flipped = ux < -kVerticalTolerance;
    const double turn = std::atan2(uy, ux);
    label.rotation = turn * 180.0 / kPi + (label.flipped ? 180.0 : 0.0);
    // Rotating the box's local point p by the turn gives (c x - s y, s x + c y).
    const double c = std::cos(turn);
    const double s = std::sin(turn);
    if (!label.flipped) {
        // The middle of the box's left side, (0, h / 2), lands on the anchor.
        label.position = {anchor.x + s * height / 2.0, anchor.y - c * height / 2.0};
    } else {
        // Half a turn more: the middle of the right side, (w, h / 2), lands
        // on the anchor, so the box still extends outward.
        label.position = {anchor.x + c * width - s * height / 2.0, anchor.y + s * width + c * height / 2.0};
    }
    return label;
}

double neighbourGap(std::size_t n, double innerRadius) {
    if (n < 2) return 2.0 * innerRadius;
    return 2.0 * innerRadius * std::sin(kPi / static_cast<double>(n));
}

double labelHeightBudget(std::size_t n, double innerRadius) {
    return kGapShare * neighbourGap(n, innerRadius);
}

std::size_t labelStep(double height, double budget) {
    if (budget <= 0) return 1;
    return std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(height / budget - 1e-9)));
}

}  // namespace graph::core::circular
