#include "linkmesh/tools/measures_cli.h"

#include "linkmesh/linkmesh.h"
#include "linkmesh/tools/usage_answer.h"

#include <cstdio>
#include <exception>
#include <sstream>

namespace linkmesh::cli {
namespace {

constexpr const char* kUsage =
    "usage: linkmesh-measures MATRIX.csv [MATRIX.csv ...]\n"
    "Prints degree, strength, clustering coefficient, local efficiency, eigenvector\n"
    "centrality and nodal global efficiency of every node, and the global efficiency,\n"
    "of each comma-separated square matrix.\n";

// Nine significant digits: enough to recover every float exactly.
std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

}  // namespace

void write_report(std::ostream& out, const std::string& path, const Eigen::MatrixXf& W) {
    // Compute everything first so that a failure prints no partial block.
    const Eigen::ArrayXf deg = degree(W), str = strength(W), clu = clustering_coeff(W),
                         loc = local_efficiency(W), eig = eigenvector_centrality(W),
                         nge = nodal_global_efficiency(W);
    const float ge = global_efficiency(W);
    out << "# file: " << path << "\n"
        << "# nodes: " << W.rows() << "\n"
        << "# global_efficiency: " << number(ge) << "\n"
        << "node,degree,strength,clustering_coeff,local_efficiency,eigenvector_centrality,"
           "nodal_global_efficiency\n";
    for (Eigen::Index i = 0; i < W.rows(); ++i) {
        out << i + 1 << ',' << number(deg(i)) << ',' << number(str(i)) << ',' << number(clu(i)) << ','
            << number(loc(i)) << ',' << number(eig(i)) << ',' << number(nge(i)) << "\n";
    }
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (const auto answered = usageAnswer(args, kUsage, out, err)) return *answered;
    int status = 0;
    bool first = true;
    for (const std::string& path : args) {
        try {
            const Eigen::MatrixXf W = from_csv(path);  // its messages start with the path
            try {
                std::ostringstream block;
                write_report(block, path, W);
                if (!first) out << "\n";  // blank line between blocks
                out << block.str();
                first = false;
            } catch (const Error& e) {  // a measure's message names the measure, not the file
                err << "linkmesh-measures: " << path << ": " << e.what() << "\n";
                status = 1;
            }
        } catch (const Error& e) {
            err << "linkmesh-measures: " << e.what() << "\n";
            status = 1;
        } catch (const std::exception& e) {  // e.g. out of memory on a huge file
            err << "linkmesh-measures: " << path << ": " << e.what() << "\n";
            status = 1;
        }
    }
    out.flush();
    return status;
}

}  // namespace linkmesh::cli
