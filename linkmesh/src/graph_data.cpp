#include "linkmesh/detail/graph_data.h"

#include "linkmesh/linkmesh.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace linkmesh::detail {

void check_matrix(const Eigen::MatrixXf& W, const char* function) {
    if (W.rows() != W.cols()) {
        std::ostringstream msg;
        msg << function << ": the matrix is not square (" << W.rows() << " rows, " << W.cols() << " columns)";
        throw Error(msg.str());
    }
    for (Eigen::Index j = 0; j < W.cols(); ++j) {
        for (Eigen::Index i = 0; i < W.rows(); ++i) {
            const float v = W(i, j);
            if (std::isfinite(v) && v >= 0.0f) continue;
            std::ostringstream msg;
            msg << function << ": the weight at row " << i + 1 << ", column " << j + 1;
            if (!std::isfinite(v))
                msg << " is not a finite number (" << v << ")";
            else
                msg << " is negative (" << v << ")";
            throw Error(msg.str());
        }
    }
}

float fit_float(double value, const char* function, Eigen::Index node) {
    // Anything below FLT_MAX plus half its spacing still rounds to FLT_MAX.
    constexpr double kFloatOverflow = 0x1.ffffffp127;
    if (std::fabs(value) < kFloatOverflow) return static_cast<float>(value);
    std::ostringstream msg;
    msg.precision(9);
    msg << function << ": the result";
    if (node >= 0) msg << " for node " << node + 1;
    msg << " (" << value << ") is too large for single precision";
    throw Error(msg.str());
}

WeightRows weight_rows(const Eigen::MatrixXf& W) {
    WeightRows out;
    out.n = static_cast<int>(W.rows());
    const size_t n = static_cast<size_t>(out.n);
    out.w.assign(n * n, 0.0);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            if (i != j) out.w[i * n + j] = W(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j));
    return out;
}

LengthGraph length_graph(const WeightRows& weights) {
    LengthGraph g;
    g.n = weights.n;
    const size_t n = static_cast<size_t>(g.n);
    const double inf = std::numeric_limits<double>::infinity();
    g.length.assign(n * n, inf);
    g.arc_begin.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        g.arc_begin[i] = g.arc_count();
        for (size_t j = 0; j < n; ++j) {
            const double w = weights.w[i * n + j];
            if (w > 0.0) {
                g.length[i * n + j] = 1.0 / w;
                g.arc_target.push_back(static_cast<int>(j));
                g.arc_length.push_back(1.0 / w);
            }
        }
    }
    g.arc_begin[n] = g.arc_count();
    return g;
}

}  // namespace linkmesh::detail
