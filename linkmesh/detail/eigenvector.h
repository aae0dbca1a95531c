// Internal entry points of the eigenvector centrality, exposed so that tests
// can compare the iterative solver with the dense one on the same matrix.
#pragma once

#include <Eigen/Dense>

namespace linkmesh::detail {

// automatic: the iterative solver on large irreducible graphs, else dense.
// iterative: the iterative solver wherever it applies (it falls back to the
// dense one where it cannot be trusted or does not converge).
enum class EigenMethod { automatic, dense, iterative };

// `used_iterative`, when given, tells whether the iterative result was kept.
Eigen::ArrayXf eigenvector_centrality_using(const Eigen::MatrixXf& W, EigenMethod method,
                                            bool* used_iterative = nullptr);

}  // namespace linkmesh::detail
