#pragma once
// Plain computations behind the matrix view: the matrix as shown (optionally
// mirrored), the histogram of its off-diagonal values, and its CSV text.
// Pure C++ (no Qt).

#include <Eigen/Dense>

#include <ostream>
#include <string>
#include <vector>

namespace graph::core {

// The part above the diagonal mirrored below it, so both halves show what
// the circular plot draws.
Eigen::MatrixXf mirrorUpperTriangle(const Eigen::MatrixXf& m);

// Every entry off the diagonal, row by row.
std::vector<float> offDiagonalValues(const Eigen::MatrixXf& m);

// The entries above the diagonal, row by row: each pair of nodes once, as
// the circular plot draws them.
std::vector<float> upperTriangleValues(const Eigen::MatrixXf& m);

struct HistogramBins {
    double lowest = 0;            // left edge of the first bin
    double highest = 0;           // right edge of the last bin
    std::vector<double> heights;  // counts, or fractions of all values
};
// `bins` equal bins from the smallest to the largest value; the largest value
// falls in the last bin, and when all values are equal they all fall in the
// first. `normalize` divides the counts by the number of values.
HistogramBins histogram(const std::vector<float>& values, int bins, bool normalize);

// A value as the tables write it: shortest of fixed and exponent notation,
// 6 significant digits.
std::string formatValue(double value);

// CSV: a header row of an empty cell and the node names, then one row per
// node: its name and its row of values. Names holding a comma, quote or line
// break are quoted, with inner quotes doubled. Lines end with "\n".
void writeMatrixCsv(std::ostream& out, const Eigen::MatrixXf& m, const std::vector<std::string>& names);

}  // namespace graph::core
