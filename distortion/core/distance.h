// Distances between two volumes (whole, or over listed voxels) and between
// two columns; sums and precision are fixed because the logged values and
// the not-a-number test depend on them.
#pragma once

#include "distortion/core/containers.h"

#include <array>
#include <vector>

namespace distortion::core {

using Position = std::array<int, 3>;

double ncc(const Volume& vol1, const Volume& vol2);
double ncc(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions);
double ssd(const Volume& vol1, const Volume& vol2, const std::vector<Position>& positions);
double meanSquaredDifference(const Volume& vol1, const Volume& vol2);
double meanSquaredDifferenceNonzero(const Vector& vec1, const Vector& vec2);

}  // namespace distortion::core
