// The functional grid as every record and plug-in struct spells it: a box in
// anatomical coordinates (xStart..zEnd) and the edge of one functional voxel
// in anatomical voxels (resolution). Records (VTC header, map set) and the
// plug-ins' own grid structs keep their layouts; these helpers copy and
// compare the seven fields between any two of them by name.
#pragma once

namespace tl {

// Copies resolution and the six bounds from `from` into `to`.
template <class To, class From>
void copyGridBox(const From& from, To& to) {
    to.resolution = from.resolution;
    to.xStart = from.xStart;
    to.xEnd = from.xEnd;
    to.yStart = from.yStart;
    to.yEnd = from.yEnd;
    to.zStart = from.zStart;
    to.zEnd = from.zEnd;
}

// Same resolution and the same six bounds.
template <class A, class B>
bool sameGridBox(const A& a, const B& b) {
    return a.resolution == b.resolution && a.xStart == b.xStart && a.xEnd == b.xEnd && a.yStart == b.yStart &&
           a.yEnd == b.yEnd && a.zStart == b.zStart && a.zEnd == b.zEnd;
}

}  // namespace tl
