// Graph spectra and the distance between them.
#include "linkmesh/linkmesh.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>
#include <functional>

namespace linkmesh {

Eigen::VectorXf spectrum(const Eigen::MatrixXf& W) {
    if (W.rows() != W.cols())
        throw Error("spectrum: the matrix is " + std::to_string(W.rows()) + " x " + std::to_string(W.cols()) +
                    ", not square");
    if (!W.allFinite()) throw Error("spectrum: the matrix holds a value that is not a finite number");
    if (W.rows() == 0) return {};
    // Connectivity matrices are symmetric up to rounding; the symmetric part
    // keeps the eigenvalues real for any input. Double precision for the solve.
    const Eigen::MatrixXd A = W.cast<double>();
    const Eigen::MatrixXd S = (A + A.transpose()) / 2.0;
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(S, Eigen::EigenvaluesOnly);
    Eigen::VectorXd values = solver.eigenvalues();
    std::sort(values.data(), values.data() + values.size(), std::greater<double>());
    return values.cast<float>();
}

float spectral_distance(const Eigen::MatrixXf& A, const Eigen::MatrixXf& B) {
    const Eigen::VectorXf a = spectrum(A);
    const Eigen::VectorXf b = spectrum(B);
    const Eigen::Index length = std::max(a.size(), b.size());
    Eigen::VectorXd pa = Eigen::VectorXd::Zero(length);
    Eigen::VectorXd pb = Eigen::VectorXd::Zero(length);
    pa.head(a.size()) = a.cast<double>();
    pb.head(b.size()) = b.cast<double>();
    return static_cast<float>((pa - pb).norm());
}

}  // namespace linkmesh
