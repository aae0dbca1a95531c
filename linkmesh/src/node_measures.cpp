// Degree and strength: row counts and row sums, diagonal excluded.
#include "linkmesh/linkmesh.h"

#include "linkmesh/detail/graph_data.h"

namespace linkmesh {

Eigen::ArrayXf degree(const Eigen::MatrixXf& W) {
    detail::check_matrix(W, "linkmesh::degree");
    // Counting with a vectorised comparison, then removing self-loops, avoids a
    // data-dependent branch per entry (sparse rows mispredict it often).
    Eigen::ArrayXf out = (W.array() != 0.0f).cast<float>().rowwise().sum();
    for (Eigen::Index i = 0; i < W.rows(); ++i)
        if (W(i, i) != 0.0f) out(i) -= 1.0f;
    return out;
}

Eigen::ArrayXf strength(const Eigen::MatrixXf& W) {
    detail::check_matrix(W, "linkmesh::strength");
    const Eigen::Index n = W.rows();
    Eigen::ArrayXd sums = Eigen::ArrayXd::Zero(n);  // double: rows of many small weights
    for (Eigen::Index j = 0; j < n; ++j)
        for (Eigen::Index i = 0; i < n; ++i)
            if (i != j) sums(i) += W(i, j);
    Eigen::ArrayXf out(n);
    for (Eigen::Index i = 0; i < n; ++i) out(i) = detail::fit_float(sums(i), "linkmesh::strength", i);
    return out;
}

}  // namespace linkmesh
