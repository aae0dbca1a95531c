// Every linkmesh measure on random weighted matrices, dense and 10% dense,
// of 100, 500 and 1000 nodes, plus 2000 nodes at 5% and 5000 at 1% (single thread).
//   build-linkmesh/bench/linkmesh/linkmesh_bench --benchmark_min_time=0.1
#include "linkmesh/detail/eigenvector.h"
#include "linkmesh/detail/local_efficiency.h"
#include "linkmesh/linkmesh.h"

#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <utility>

namespace {

// Symmetric, weights uniform in (0, 1], zero diagonal; density in percent.
const Eigen::MatrixXf& matrix(int nodes, int density_percent) {
    static std::map<std::pair<int, int>, Eigen::MatrixXf> cache;
    auto [it, fresh] = cache.try_emplace({nodes, density_percent});
    if (fresh) {
        std::mt19937 rng(static_cast<unsigned>(nodes * 1000 + density_percent));
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        Eigen::MatrixXf& W = it->second;
        W = Eigen::MatrixXf::Zero(nodes, nodes);
        for (int i = 0; i < nodes; ++i)
            for (int j = i + 1; j < nodes; ++j)
                if (unit(rng) * 100.0 < density_percent)
                    W(i, j) = W(j, i) = static_cast<float>(1.0 - unit(rng));
    }
    return it->second;
}

template <class Measure>
void run(benchmark::State& state, Measure measure) {
    const Eigen::MatrixXf& W = matrix(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(measure(W));
    state.counters["nodes"] = static_cast<double>(state.range(0));
    state.counters["density%"] = static_cast<double>(state.range(1));
}

void BM_degree(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) { return linkmesh::degree(W); });
}
void BM_strength(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) { return linkmesh::strength(W); });
}
void BM_clustering_coeff(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) { return linkmesh::clustering_coeff(W); });
}
void BM_local_efficiency(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) { return linkmesh::local_efficiency(W); });
}
void BM_global_efficiency(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) { return linkmesh::global_efficiency(W); });
}
void BM_nodal_global_efficiency(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) { return linkmesh::nodal_global_efficiency(W); });
}
void BM_eigenvector_centrality(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) { return linkmesh::eigenvector_centrality(W); });
}

// The dense eigensolver that small and reducible graphs use, for comparison.
void BM_eigenvector_centrality_dense(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) {
        return linkmesh::detail::eigenvector_centrality_using(W, linkmesh::detail::EigenMethod::dense);
    });
}

// Directed (asymmetric) input takes the general eigensolver.
void BM_eigenvector_centrality_directed(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Eigen::MatrixXf W = matrix(n, static_cast<int>(state.range(1)));
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) W(i, j) *= unit(rng);  // break the symmetry, keep the pattern
    for (auto _ : state) benchmark::DoNotOptimize(linkmesh::eigenvector_centrality(W));
}

// The two local-efficiency methods on their own, to see where each wins.
void BM_local_efficiency_subgraph(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) {
        return linkmesh::detail::local_efficiency_using(W, linkmesh::detail::LocalMethod::subgraph);
    });
}
void BM_local_efficiency_shared_trees(benchmark::State& s) {
    run(s, [](const Eigen::MatrixXf& W) {
        return linkmesh::detail::local_efficiency_using(W, linkmesh::detail::LocalMethod::shared_trees);
    });
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int density : {100, 10})
        for (int nodes : {100, 500, 1000}) b->Args({nodes, density});
    b->Args({2000, 5});
    b->Args({5000, 1});
    b->Unit(benchmark::kMillisecond);
}

void method_sizes(benchmark::internal::Benchmark* b) {
    for (int density : {100, 90, 75, 50, 25, 10}) b->Args({300, density});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_degree)->Apply(sizes);
BENCHMARK(BM_strength)->Apply(sizes);
BENCHMARK(BM_clustering_coeff)->Apply(sizes);
BENCHMARK(BM_local_efficiency)->Apply(sizes);
// Thresholded correlation matrices are often half to two thirds full.
BENCHMARK(BM_local_efficiency)->Args({500, 40})->Args({500, 70})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_global_efficiency)->Apply(sizes);
BENCHMARK(BM_nodal_global_efficiency)->Apply(sizes);
BENCHMARK(BM_eigenvector_centrality)->Apply(sizes);
BENCHMARK(BM_eigenvector_centrality_dense)->Args({500, 100})->Args({2000, 5})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_eigenvector_centrality_directed)
    ->Args({100, 100})
    ->Args({500, 100})
    ->Args({2000, 5})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_local_efficiency_subgraph)->Apply(method_sizes);
BENCHMARK(BM_local_efficiency_shared_trees)->Apply(method_sizes);

}  // namespace
