// Slow, literal double-precision implementations of the linkmesh measures,
// written straight from their definitions and sharing no code with the
// library: the independent side of the randomised comparisons.
#pragma once

#include <Eigen/Dense>

namespace reference {

// All-pairs shortest lengths by Floyd-Warshall; length of a connection = 1 / w;
// the diagonal of W is ignored; +infinity where unreachable.
Eigen::MatrixXd floyd_warshall(const Eigen::MatrixXd& W);

Eigen::VectorXd nodal_global_efficiency(const Eigen::MatrixXd& W);
double global_efficiency(const Eigen::MatrixXd& W);

// Subgraph distances by Bellman-Ford relaxation with lengths (1 / w)^(1/3), the
// sum written term by term in the toolbox's symmetrised form.
Eigen::VectorXd local_efficiency(const Eigen::MatrixXd& W);

// Triple loop over ordered triangles.
Eigen::VectorXd clustering_coeff(const Eigen::MatrixXd& W);

// Power iteration on W + I (the shift avoids oscillation on bipartite graphs).
Eigen::VectorXd eigenvector_centrality(const Eigen::MatrixXd& W);

}  // namespace reference
