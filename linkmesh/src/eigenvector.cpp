// Eigenvector centrality: Perron eigenvector of W, absolute values, unit norm.
#include "linkmesh/linkmesh.h"

#include "linkmesh/detail/graph_data.h"

#include <Eigen/Eigenvalues>

#include <cmath>

namespace linkmesh {
namespace {

Eigen::VectorXd symmetric_leading_vector(const Eigen::MatrixXd& A) {
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(A);
    if (solver.info() != Eigen::Success)
        throw Error("linkmesh::eigenvector_centrality: the eigenvalue solver did not converge");
    return solver.eigenvectors().col(A.rows() - 1);  // eigenvalues come in ascending order
}

// For a non-negative matrix the Perron root is real and has the largest real
// part of all eigenvalues; its eigenvector can be scaled to be real.
Eigen::VectorXd general_leading_vector(const Eigen::MatrixXd& A) {
    Eigen::EigenSolver<Eigen::MatrixXd> solver(A);
    if (solver.info() != Eigen::Success)
        throw Error("linkmesh::eigenvector_centrality: the eigenvalue solver did not converge");
    Eigen::Index best = 0;
    solver.eigenvalues().real().maxCoeff(&best);
    Eigen::VectorXcd v = solver.eigenvectors().col(best);
    Eigen::Index biggest = 0;
    v.cwiseAbs().maxCoeff(&biggest);
    v /= v(biggest);  // removes the arbitrary complex phase
    return v.real();
}

}  // namespace

Eigen::ArrayXf eigenvector_centrality(const Eigen::MatrixXf& W) {
    detail::check_matrix(W, "linkmesh::eigenvector_centrality");
    const Eigen::Index n = W.rows();
    if (n == 0) return Eigen::ArrayXf();
    Eigen::MatrixXd A = W.cast<double>();
    A.diagonal().setZero();
    if (A.isZero(0.0)) {
        // Every vector is an eigenvector of the empty graph: no node stands out.
        return Eigen::ArrayXf::Constant(n, static_cast<float>(1.0 / std::sqrt(static_cast<double>(n))));
    }
    const bool symmetric = (A.array() == A.transpose().array()).all();
    Eigen::VectorXd v = symmetric ? symmetric_leading_vector(A) : general_leading_vector(A);
    v = v.cwiseAbs();
    v /= v.norm();
    return v.cast<float>().array();
}

}  // namespace linkmesh
