#include "graph/core/matrix_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace graph::core {

Eigen::MatrixXf mirrorUpperTriangle(const Eigen::MatrixXf& m) {
    Eigen::MatrixXf out = m;
    const Eigen::Index n = std::min(m.rows(), m.cols());
    for (Eigen::Index i = 0; i < n; ++i)
        for (Eigen::Index j = i + 1; j < n; ++j) out(j, i) = m(i, j);
    return out;
}

std::vector<float> offDiagonalValues(const Eigen::MatrixXf& m) {
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(m.size()));
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        for (Eigen::Index j = 0; j < m.cols(); ++j)
            if (i != j) values.push_back(m(i, j));
    return values;
}

std::vector<float> upperTriangleValues(const Eigen::MatrixXf& m) {
    std::vector<float> values;
    const Eigen::Index n = std::min(m.rows(), m.cols());
    values.reserve(static_cast<std::size_t>(n * (n - 1) / 2));
    for (Eigen::Index i = 0; i < n; ++i)
        for (Eigen::Index j = i + 1; j < m.cols(); ++j) values.push_back(m(i, j));
    return values;
}

HistogramBins histogram(const std::vector<float>& values, int bins, bool normalize) {
    HistogramBins h;
    h.heights.assign(static_cast<std::size_t>(std::max(bins, 1)), 0.0);
    if (values.empty()) return h;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    h.lowest = *lo;
    h.highest = *hi;
    const double width = (h.highest - h.lowest) / static_cast<double>(h.heights.size());
    for (const float v : values) {
        std::size_t bin = 0;
        if (width > 0) {
            const double position = std::floor((v - h.lowest) / width);
            bin = static_cast<std::size_t>(std::clamp(position, 0.0, double(h.heights.size() - 1)));
        }
        h.heights[bin] += 1.0;
    }
    if (normalize)
        for (double& height : h.heights) height /= static_cast<double>(values.size());
    return h;
}

std::string formatValue(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

namespace {

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string nameOf(const std::vector<std::string>& names, Eigen::Index k) {
    return static_cast<std::size_t>(k) < names.size() ? names[static_cast<std::size_t>(k)]
                                                      : std::to_string(k);
}

}  // namespace

void writeMatrixCsv(std::ostream& out, const Eigen::MatrixXf& m, const std::vector<std::string>& names) {
    for (Eigen::Index j = 0; j < m.cols(); ++j) out << ',' << csvField(nameOf(names, j));
    out << '\n';
    for (Eigen::Index i = 0; i < m.rows(); ++i) {
        out << csvField(nameOf(names, i));
        for (Eigen::Index j = 0; j < m.cols(); ++j) out << ',' << formatValue(m(i, j));
        out << '\n';
    }
}

}  // namespace graph::core
