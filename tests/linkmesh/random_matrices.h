// Reproducible random connectivity matrices for the randomised comparisons.
#pragma once

#include <Eigen/Dense>

#include <random>
#include <string>

namespace testdata {

struct RandomMatrixSpec {
    int nodes = 10;
    double density = 0.5;  // share of ordered pairs connected
    bool symmetric = true;
    double max_weight = 1.0;      // weights drawn from (0, max_weight]
    int isolated = 0;             // last `isolated` nodes get no connections
    bool coarse_weights = false;  // weights from {0.25, 0.5, 1}: many equal path lengths
};

inline Eigen::MatrixXf random_matrix(const RandomMatrixSpec& spec, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int n = spec.nodes;
    Eigen::MatrixXf W = Eigen::MatrixXf::Zero(n, n);
    const int active = n - spec.isolated;
    for (int i = 0; i < active; ++i) {
        for (int j = spec.symmetric ? i + 1 : 0; j < active; ++j) {
            if (i == j || unit(rng) >= spec.density) continue;
            double w = spec.coarse_weights ? 0.25 * (1 << static_cast<int>(unit(rng) * 3.0))
                                           : spec.max_weight * (1.0 - unit(rng));
            W(i, j) = static_cast<float>(w);
            if (spec.symmetric) W(j, i) = W(i, j);
        }
    }
    // A diagonal that every measure must ignore.
    for (int i = 0; i < n; ++i) W(i, i) = (i % 3 == 0) ? 1.0f : 0.0f;
    return W;
}

inline std::string describe(const RandomMatrixSpec& s) {
    return std::to_string(s.nodes) + " nodes, density " + std::to_string(s.density) +
           (s.symmetric ? ", symmetric" : ", directed") + ", max weight " + std::to_string(s.max_weight) +
           ", " + std::to_string(s.isolated) + " isolated" + (s.coarse_weights ? ", coarse weights" : "");
}

}  // namespace testdata
