#pragma once
// Where the circular plot's node labels go, without Qt: each label reads
// radially outward from its node, turned half a turn on the left side so it
// still reads left to right, and its font shrinks (or labels are thinned)
// until neighbours no longer overlap.

#include "graph/core/circular_layout.h"

#include <cstddef>

namespace graph::core::circular {

// A text box of `width` x `height` (item coordinates, y down, origin at its
// top-left corner) placed so that it starts `offset` away from the node and
// runs away from the centre. `position` is where the box's origin goes and
// `rotation` the clockwise turn in degrees about that origin.
struct RadialLabel {
    Point position;
    double rotation = 0;
    // True on the left side: the text is turned by an extra half turn, its
    // end sits next to the node and its start is the farthest point.
    bool flipped = false;
};
RadialLabel radialLabel(Point node, Point centre, double offset, double width, double height);

// Distance between the inner ends of two neighbouring labels that start
// `innerRadius` from the centre, on a circle of n nodes.
double neighbourGap(std::size_t n, double innerRadius);

// The largest text height that keeps neighbouring labels apart: a share of
// the gap, so that turned boxes with a small angle between them stay clear.
double labelHeightBudget(std::size_t n, double innerRadius);

// Every `step`-th label is shown when text of `height` does not fit the
// budget (1 when it does).
std::size_t labelStep(double height, double budget);

}  // namespace graph::core::circular
