// Maximum spanning forest by Kruskal's method with a disjoint-set forest.
#include "linkmesh/linkmesh.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace linkmesh {

namespace {

struct Connection {
    float weight;
    Eigen::Index i;
    Eigen::Index j;
};

Eigen::Index findRoot(std::vector<Eigen::Index>& parent, Eigen::Index v) {
    while (parent[static_cast<std::size_t>(v)] != v) {
        auto& p = parent[static_cast<std::size_t>(v)];
        p = parent[static_cast<std::size_t>(p)];  // path halving
        v = p;
    }
    return v;
}

}  // namespace

Eigen::MatrixXf maximum_spanning_tree(const Eigen::MatrixXf& W) {
    if (W.rows() != W.cols())
        throw Error("maximum_spanning_tree: the matrix is " + std::to_string(W.rows()) + " x " +
                    std::to_string(W.cols()) + ", not square");
    const Eigen::Index n = W.rows();
    std::vector<Connection> connections;
    for (Eigen::Index i = 0; i < n; ++i) {
        for (Eigen::Index j = i + 1; j < n; ++j) {
            const float w = std::abs(W(i, j));
            if (!std::isfinite(w))
                throw Error("maximum_spanning_tree: entry (" + std::to_string(i) + ", " + std::to_string(j) +
                            ") is not a finite number");
            if (w != 0.0f) connections.push_back({w, i, j});
        }
    }
    std::stable_sort(connections.begin(), connections.end(),
                     [](const Connection& a, const Connection& b) { return a.weight > b.weight; });

    std::vector<Eigen::Index> parent(static_cast<std::size_t>(n));
    std::iota(parent.begin(), parent.end(), Eigen::Index{0});
    Eigen::MatrixXf tree = Eigen::MatrixXf::Zero(n, n);
    Eigen::Index chosen = 0;
    for (const Connection& c : connections) {
        if (chosen + 1 >= n) break;
        const Eigen::Index a = findRoot(parent, c.i);
        const Eigen::Index b = findRoot(parent, c.j);
        if (a == b) continue;
        parent[static_cast<std::size_t>(a)] = b;
        tree(c.i, c.j) = 1.0f;
        tree(c.j, c.i) = 1.0f;
        ++chosen;
    }
    return tree;
}

}  // namespace linkmesh
