// Eigenvector centrality: Perron eigenvector of W, absolute values, unit norm.
#include "linkmesh/linkmesh.h"

#include "linkmesh/detail/graph_data.h"

#include <Eigen/Eigenvalues>

#include <cmath>
#include <vector>

namespace linkmesh {
namespace {

Eigen::VectorXd symmetric_leading(const Eigen::MatrixXd& A) {
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(A);
    if (solver.info() != Eigen::Success)
        throw Error("linkmesh::eigenvector_centrality: the eigenvalue solver did not converge");
    const Eigen::Index last = A.rows() - 1;  // eigenvalues come in ascending order
    return solver.eigenvectors().col(last);
}

// For a non-negative matrix the Perron root is real and has the largest real
// part of all eigenvalues; its eigenvector can be scaled to be real.
Eigen::VectorXd general_leading(const Eigen::MatrixXd& A) {
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

// Kahn's algorithm: repeatedly remove nodes that no remaining connection enters.
bool has_cycle(const Eigen::MatrixXd& A) {
    const Eigen::Index n = A.rows();
    std::vector<int> incoming(static_cast<size_t>(n), 0);
    for (Eigen::Index j = 0; j < n; ++j)
        for (Eigen::Index i = 0; i < n; ++i)
            if (A(i, j) != 0.0) ++incoming[static_cast<size_t>(j)];
    std::vector<Eigen::Index> ready;
    for (Eigen::Index v = 0; v < n; ++v)
        if (incoming[static_cast<size_t>(v)] == 0) ready.push_back(v);
    Eigen::Index removed = 0;
    while (!ready.empty()) {
        const Eigen::Index u = ready.back();
        ready.pop_back();
        ++removed;
        for (Eigen::Index v = 0; v < n; ++v)
            if (A(u, v) != 0.0 && --incoming[static_cast<size_t>(v)] == 0) ready.push_back(v);
    }
    return removed < n;
}

}  // namespace

Eigen::ArrayXf eigenvector_centrality(const Eigen::MatrixXf& W) {
    detail::check_matrix(W, "linkmesh::eigenvector_centrality");
    const Eigen::Index n = W.rows();
    if (n == 0) return Eigen::ArrayXf();
    Eigen::MatrixXd A = W.cast<double>();
    A.diagonal().setZero();
    const Eigen::ArrayXf uniform =
        Eigen::ArrayXf::Constant(n, static_cast<float>(1.0 / std::sqrt(static_cast<double>(n))));
    if (A.isZero(0.0)) return uniform;  // every vector is an eigenvector: no node stands out
    const bool symmetric = (A.array() == A.transpose().array()).all();
    // A directed graph without cycles has only the eigenvalue 0 (and a defective
    // one, which solvers resolve poorly): treated like the empty graph.
    if (!symmetric && !has_cycle(A)) return uniform;
    Eigen::VectorXd v = (symmetric ? symmetric_leading(A) : general_leading(A)).cwiseAbs();
    v /= v.norm();
    return v.cast<float>().array();
}

}  // namespace linkmesh
