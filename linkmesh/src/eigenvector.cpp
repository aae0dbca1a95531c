// Eigenvector centrality: Perron eigenvector of W, absolute values, unit norm.
//
// Large graphs use a Krylov solver (Lanczos for symmetric matrices, Arnoldi
// otherwise, from Spectra) on the sparse or dense matrix, which needs a few
// dozen products with W instead of a full O(n^3) decomposition. It is used
// only where the answer is unique: on a graph whose connections form one
// (strongly) connected component, apart from nodes with no connection at all,
// Perron-Frobenius makes the largest eigenvalue simple with a positive
// eigenvector. Elsewhere (several components, a directed graph that is not
// strongly connected), and whenever the iteration does not converge, the dense
// solver decides, so results there are those of the dense solver.
#include "linkmesh/detail/eigenvector.h"

#include "linkmesh/detail/graph_data.h"
#include "linkmesh/linkmesh.h"

#include <Eigen/Eigenvalues>
#include <Eigen/SparseCore>
#include <Spectra/GenEigsSolver.h>
#include <Spectra/MatOp/DenseGenMatProd.h>
#include <Spectra/MatOp/DenseSymMatProd.h>
#include <Spectra/MatOp/SparseGenMatProd.h>
#include <Spectra/MatOp/SparseSymMatProd.h>
#include <Spectra/SymEigsSolver.h>

#include <cmath>
#include <optional>
#include <vector>

namespace linkmesh::detail {
namespace {

// Below this size the dense solver takes well under a millisecond.
constexpr Eigen::Index kSmallestIterative = 64;
// Krylov subspace size: the leading eigenvalue of a connectivity matrix is
// well separated, so a small basis restarts rarely.
constexpr Eigen::Index kKrylovSize = 24;
constexpr Eigen::Index kMaxRestarts = 1000;
constexpr double kTolerance = 1e-12;

// Off-diagonal connections of W as adjacency lists, both ways.
struct Connections {
    int n = 0;
    std::vector<std::vector<int>> out, in;
    long long count = 0;
    bool symmetric = true;
};

Connections connections_of(const Eigen::MatrixXf& W) {
    Connections c;
    c.n = static_cast<int>(W.rows());
    c.out.resize(static_cast<size_t>(c.n));
    c.in.resize(static_cast<size_t>(c.n));
    for (int j = 0; j < c.n; ++j)
        for (int i = 0; i < c.n; ++i) {
            if (i == j) continue;
            const float w = W(i, j);
            if (w != W(j, i)) c.symmetric = false;
            if (w != 0.0f) {
                c.out[static_cast<size_t>(i)].push_back(j);
                c.in[static_cast<size_t>(j)].push_back(i);
                ++c.count;
            }
        }
    return c;
}

int reached_from(int start, const std::vector<std::vector<int>>& next, std::vector<char>& seen) {
    seen.assign(next.size(), 0);
    std::vector<int> stack{start};
    seen[static_cast<size_t>(start)] = 1;
    int count = 1;
    while (!stack.empty()) {
        const int u = stack.back();
        stack.pop_back();
        for (int v : next[static_cast<size_t>(u)])
            if (!seen[static_cast<size_t>(v)]) {
                seen[static_cast<size_t>(v)] = 1;
                ++count;
                stack.push_back(v);
            }
    }
    return count;
}

// One strongly connected component holds every node that has a connection.
bool irreducible_apart_from_isolated(const Connections& c) {
    int start = -1, connected = 0;
    for (int v = 0; v < c.n; ++v)
        if (!c.out[static_cast<size_t>(v)].empty() || !c.in[static_cast<size_t>(v)].empty()) {
            ++connected;
            if (start < 0) start = v;
        }
    if (start < 0) return false;
    std::vector<char> seen;
    if (reached_from(start, c.out, seen) != connected) return false;
    return c.symmetric || reached_from(start, c.in, seen) == connected;
}

// Kahn's algorithm: repeatedly remove nodes that no remaining connection enters.
bool has_cycle(const Connections& c) {
    std::vector<int> incoming(static_cast<size_t>(c.n), 0);
    for (int v = 0; v < c.n; ++v)
        incoming[static_cast<size_t>(v)] = static_cast<int>(c.in[static_cast<size_t>(v)].size());
    std::vector<int> ready;
    for (int v = 0; v < c.n; ++v)
        if (incoming[static_cast<size_t>(v)] == 0) ready.push_back(v);
    int removed = 0;
    while (!ready.empty()) {
        const int u = ready.back();
        ready.pop_back();
        ++removed;
        for (int v : c.out[static_cast<size_t>(u)])
            if (--incoming[static_cast<size_t>(v)] == 0) ready.push_back(v);
    }
    return removed < c.n;
}

Eigen::MatrixXd dense_of(const Eigen::MatrixXf& W) {
    Eigen::MatrixXd A = W.cast<double>();
    A.diagonal().setZero();
    return A;
}

Eigen::SparseMatrix<double> sparse_of(const Eigen::MatrixXf& W, const Connections& c) {
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(static_cast<size_t>(c.count));
    for (int i = 0; i < c.n; ++i)
        for (int j : c.out[static_cast<size_t>(i)]) entries.emplace_back(i, j, W(i, j));
    Eigen::SparseMatrix<double> A(c.n, c.n);
    A.setFromTriplets(entries.begin(), entries.end());
    return A;
}

template <class Op>
std::optional<Eigen::VectorXd> lanczos(Op& op, Eigen::Index n) {
    Spectra::SymEigsSolver<Op> solver(op, 1, std::min(n, kKrylovSize));
    const Eigen::VectorXd start = Eigen::VectorXd::Constant(n, 1.0 / std::sqrt(double(n)));
    solver.init(start.data());
    solver.compute(Spectra::SortRule::LargestAlge, kMaxRestarts, kTolerance);
    if (solver.info() != Spectra::CompInfo::Successful || !(solver.eigenvalues()(0) > 0.0))
        return std::nullopt;
    return Eigen::VectorXd(solver.eigenvectors().col(0));
}

template <class Op>
std::optional<Eigen::VectorXd> arnoldi(Op& op, Eigen::Index n) {
    Spectra::GenEigsSolver<Op> solver(op, 1, std::min(n, kKrylovSize));
    const Eigen::VectorXd start = Eigen::VectorXd::Constant(n, 1.0 / std::sqrt(double(n)));
    solver.init(start.data());
    solver.compute(Spectra::SortRule::LargestReal, kMaxRestarts, kTolerance);
    if (solver.info() != Spectra::CompInfo::Successful) return std::nullopt;
    const std::complex<double> root = solver.eigenvalues()(0);
    if (!(root.real() > 0.0) || std::abs(root.imag()) > 1e-9 * root.real()) return std::nullopt;
    return Eigen::VectorXd(solver.eigenvectors().col(0).cwiseAbs());  // modulus: phase-free
}

std::optional<Eigen::VectorXd> iterative_leading(const Eigen::MatrixXf& W, const Connections& c) {
    const Eigen::Index n = c.n;
    if (n < 4 || !irreducible_apart_from_isolated(c)) return std::nullopt;
    // A sparse product pays an index per entry: worth it below a quarter full.
    if (4 * c.count <= static_cast<long long>(n) * n) {
        const Eigen::SparseMatrix<double> A = sparse_of(W, c);
        if (c.symmetric) {
            Spectra::SparseSymMatProd<double> op(A);
            return lanczos(op, n);
        }
        Spectra::SparseGenMatProd<double> op(A);
        return arnoldi(op, n);
    }
    const Eigen::MatrixXd A = dense_of(W);
    if (c.symmetric) {
        Spectra::DenseSymMatProd<double> op(A);
        return lanczos(op, n);
    }
    Spectra::DenseGenMatProd<double> op(A);
    return arnoldi(op, n);
}

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

}  // namespace

Eigen::ArrayXf eigenvector_centrality_using(const Eigen::MatrixXf& W, EigenMethod method,
                                            bool* used_iterative) {
    check_matrix(W, "linkmesh::eigenvector_centrality");
    if (used_iterative) *used_iterative = false;
    const Eigen::Index n = W.rows();
    if (n == 0) return Eigen::ArrayXf();
    const Connections c = connections_of(W);
    const Eigen::ArrayXf uniform =
        Eigen::ArrayXf::Constant(n, static_cast<float>(1.0 / std::sqrt(static_cast<double>(n))));
    if (c.count == 0) return uniform;  // every vector is an eigenvector: no node stands out
    // A directed graph without cycles has only the eigenvalue 0 (and a defective
    // one, which solvers resolve poorly): treated like the empty graph.
    if (!c.symmetric && !has_cycle(c)) return uniform;

    std::optional<Eigen::VectorXd> v;
    if (method == EigenMethod::iterative || (method == EigenMethod::automatic && n >= kSmallestIterative))
        v = iterative_leading(W, c);
    if (v && used_iterative) *used_iterative = true;
    if (!v) {
        const Eigen::MatrixXd A = dense_of(W);
        v = c.symmetric ? symmetric_leading(A) : general_leading(A);
    }
    Eigen::VectorXd x = v->cwiseAbs();
    x /= x.norm();
    return x.cast<float>().array();
}

}  // namespace linkmesh::detail

namespace linkmesh {

Eigen::ArrayXf eigenvector_centrality(const Eigen::MatrixXf& W) {
    return detail::eigenvector_centrality_using(W, detail::EigenMethod::automatic);
}

}  // namespace linkmesh
