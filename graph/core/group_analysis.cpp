#include "graph/core/group_analysis.h"

#include "graph/core/matrix_tables.h"
#include "linkmesh/linkmesh.h"

#include <algorithm>

namespace graph::core {

Eigen::MatrixXf spectralDistanceTable(const std::vector<NamedMatrix>& entries) {
    const Eigen::Index n = static_cast<Eigen::Index>(entries.size());
    // Each spectrum once; the distance is the padded Euclidean distance.
    std::vector<Eigen::VectorXf> spectra;
    spectra.reserve(entries.size());
    for (const NamedMatrix& e : entries) spectra.push_back(linkmesh::spectrum(e.matrix));
    Eigen::MatrixXf table = Eigen::MatrixXf::Zero(n, n);
    for (Eigen::Index i = 0; i < n; ++i) {
        for (Eigen::Index j = i + 1; j < n; ++j) {
            const Eigen::VectorXf& a = spectra[static_cast<std::size_t>(i)];
            const Eigen::VectorXf& b = spectra[static_cast<std::size_t>(j)];
            const Eigen::Index length = std::max(a.size(), b.size());
            Eigen::VectorXd pa = Eigen::VectorXd::Zero(length), pb = Eigen::VectorXd::Zero(length);
            pa.head(a.size()) = a.cast<double>();
            pb.head(b.size()) = b.cast<double>();
            table(i, j) = table(j, i) = static_cast<float>((pa - pb).norm());
        }
    }
    return table;
}

void writeDistanceText(std::ostream& out, const std::vector<NamedMatrix>& entries,
                       const Eigen::MatrixXf& table) {
    std::size_t width = 8;
    for (const NamedMatrix& e : entries) width = std::max(width, e.name.size() + 2);
    auto pad = [width](const std::string& text) {
        return text + std::string(width - std::min(width, text.size()), ' ');
    };
    out << "Spectral Euclidean Distance (" << entries.size() << " matrices)\n";
    std::string header = pad("");
    for (const NamedMatrix& e : entries) header += pad(e.name);
    header.erase(header.find_last_not_of(' ') + 1);
    out << header << "\n";
    for (Eigen::Index i = 0; i < table.rows(); ++i) {
        std::string line = pad(entries[static_cast<std::size_t>(i)].name);
        for (Eigen::Index j = 0; j < table.cols(); ++j) line += pad(formatValue(table(i, j)));
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << "\n";
    }
}

}  // namespace graph::core
