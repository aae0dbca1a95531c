// Onnela weighted clustering: C_i = ((W^(1/3))^3)_ii / (k_i (k_i - 1)).
#include "linkmesh/linkmesh.h"

#include "linkmesh/detail/graph_data.h"

#include <cmath>

namespace linkmesh {

Eigen::ArrayXf clustering_coeff(const Eigen::MatrixXf& W) {
    detail::check_matrix(W, "linkmesh::clustering_coeff");
    const Eigen::Index n = W.rows();
    // Double precision: the cube roots are summed over up to n^2 triangles per node.
    Eigen::MatrixXd root(n, n);
    Eigen::ArrayXd k = Eigen::ArrayXd::Zero(n);
    for (Eigen::Index j = 0; j < n; ++j) {
        for (Eigen::Index i = 0; i < n; ++i) {
            const double w = (i == j) ? 0.0 : static_cast<double>(W(i, j));
            root(i, j) = std::cbrt(w);
            if (w != 0.0) k(i) += 1.0;
        }
    }
    // (A^3)_ii = sum_j A_ij (A^2)_ji; A^2 is one matrix product.
    const Eigen::MatrixXd square = root * root;
    Eigen::ArrayXf out = Eigen::ArrayXf::Zero(n);
    for (Eigen::Index i = 0; i < n; ++i) {
        if (k(i) < 2.0) continue;
        const double cycles = root.row(i).dot(square.col(i));
        out(i) = static_cast<float>(cycles / (k(i) * (k(i) - 1.0)));
    }
    return out;
}

}  // namespace linkmesh
