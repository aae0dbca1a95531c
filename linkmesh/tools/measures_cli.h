// linkmesh-measures: prints every linkmesh measure of one or more CSV matrices.
#pragma once

#include <Eigen/Dense>

#include <ostream>
#include <string>
#include <vector>

namespace linkmesh::cli {

// Writes one report block (format in docs/linkmesh.md) for a matrix read from `path`.
void write_report(std::ostream& out, const std::string& path, const Eigen::MatrixXf& W);

// Runs the tool on its arguments (without the program name). Returns the exit
// status: 0 all files reported, 1 some file failed, 2 bad usage.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace linkmesh::cli
