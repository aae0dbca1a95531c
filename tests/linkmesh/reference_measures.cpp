#include "reference_measures.h"

#include <cmath>
#include <limits>
#include <vector>

namespace reference {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

int size_of(const Eigen::MatrixXd& W) {
    return static_cast<int>(W.rows());
}

double weight(const Eigen::MatrixXd& W, int i, int j) {
    return i == j ? 0.0 : W(i, j);
}

}  // namespace

Eigen::MatrixXd floyd_warshall(const Eigen::MatrixXd& W) {
    const int n = size_of(W);
    Eigen::MatrixXd d(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            d(i, j) = (i == j) ? 0.0 : (weight(W, i, j) > 0.0 ? 1.0 / weight(W, i, j) : kInf);
    for (int k = 0; k < n; ++k)
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                if (d(i, k) + d(k, j) < d(i, j)) d(i, j) = d(i, k) + d(k, j);
    return d;
}

Eigen::VectorXd nodal_global_efficiency(const Eigen::MatrixXd& W) {
    const int n = size_of(W);
    Eigen::VectorXd out = Eigen::VectorXd::Zero(n);
    if (n < 2) return out;
    const Eigen::MatrixXd d = floyd_warshall(W);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            if (j != i && d(i, j) < kInf) out(i) += 1.0 / d(i, j);
        out(i) /= (n - 1);
    }
    return out;
}

double global_efficiency(const Eigen::MatrixXd& W) {
    const int n = size_of(W);
    if (n < 2) return 0.0;
    const Eigen::MatrixXd d = floyd_warshall(W);
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j && d(i, j) < kInf) sum += 1.0 / d(i, j);
    return sum / (double(n) * (n - 1));
}

Eigen::VectorXd local_efficiency(const Eigen::MatrixXd& W) {
    // Written as the Brain Connectivity Toolbox states its weighted local
    // efficiency (efficiency_wei, local = 2): neighbours V in either direction,
    // sw = cbrt(w_uv) + cbrt(w_vu), distances inside V with lengths
    // (1 / w)^(1/3), numerator sum_jh sw_j sw_h (1/d_jh + 1/d_hj) / 2,
    // denominator (sum a)^2 - sum a^2 with a = connections between u and v.
    const int n = size_of(W);
    Eigen::VectorXd out = Eigen::VectorXd::Zero(n);
    for (int u = 0; u < n; ++u) {
        std::vector<int> V;
        for (int v = 0; v < n; ++v)
            if (weight(W, u, v) > 0.0 || weight(W, v, u) > 0.0) V.push_back(v);
        const int k = static_cast<int>(V.size());
        if (k < 2) continue;
        // Bellman-Ford from every member of V using only connections inside V.
        Eigen::MatrixXd inv(k, k);
        for (int s = 0; s < k; ++s) {
            std::vector<double> dist(static_cast<size_t>(k), kInf);
            dist[static_cast<size_t>(s)] = 0.0;
            for (bool changed = true; changed;) {
                changed = false;
                for (int a = 0; a < k; ++a)
                    for (int b = 0; b < k; ++b) {
                        const double w = weight(W, V[a], V[b]);
                        if (w > 0.0 && dist[a] + std::pow(1.0 / w, 1.0 / 3.0) < dist[b]) {
                            dist[b] = dist[a] + std::pow(1.0 / w, 1.0 / 3.0);
                            changed = true;
                        }
                    }
            }
            for (int h = 0; h < k; ++h) inv(s, h) = (h == s || dist[h] == kInf) ? 0.0 : 1.0 / dist[h];
        }
        double numer = 0.0, sum_a = 0.0, sum_a2 = 0.0;
        for (int j = 0; j < k; ++j) {
            const double swj =
                std::pow(weight(W, u, V[j]), 1.0 / 3.0) + std::pow(weight(W, V[j], u), 1.0 / 3.0);
            for (int h = 0; h < k; ++h) {
                const double swh =
                    std::pow(weight(W, u, V[h]), 1.0 / 3.0) + std::pow(weight(W, V[h], u), 1.0 / 3.0);
                numer += swj * swh * (inv(j, h) + inv(h, j)) / 2.0;
            }
            const double a = (weight(W, u, V[j]) > 0.0) + (weight(W, V[j], u) > 0.0);
            sum_a += a;
            sum_a2 += a * a;
        }
        if (numer != 0.0) out(u) = numer / (sum_a * sum_a - sum_a2);
    }
    return out;
}

Eigen::VectorXd clustering_coeff(const Eigen::MatrixXd& W) {
    const int n = size_of(W);
    Eigen::VectorXd out = Eigen::VectorXd::Zero(n);
    for (int i = 0; i < n; ++i) {
        int k = 0;
        for (int j = 0; j < n; ++j) k += weight(W, i, j) > 0.0;
        if (k < 2) continue;
        double sum = 0.0;
        for (int j = 0; j < n; ++j)
            for (int h = 0; h < n; ++h) sum += std::cbrt(weight(W, i, j) * weight(W, j, h) * weight(W, h, i));
        out(i) = sum / (double(k) * (k - 1));
    }
    return out;
}

Eigen::VectorXd eigenvector_centrality(const Eigen::MatrixXd& W) {
    const int n = size_of(W);
    Eigen::MatrixXd shifted = W;
    shifted.diagonal().setOnes();
    Eigen::VectorXd x = Eigen::VectorXd::Ones(n) / std::sqrt(double(n));
    for (int iter = 0; iter < 200000; ++iter) {
        Eigen::VectorXd next = shifted * x;
        next /= next.norm();
        const double change = (next - x).norm();
        x = next;
        if (change < 1e-13) break;
    }
    return x;
}

}  // namespace reference
