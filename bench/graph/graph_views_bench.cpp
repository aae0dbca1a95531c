// Time to open the circular plot and to change its display range, and to open
// the matrix view, on dense random matrices. Each "open" includes the first
// paint of the window's contents (grab), which is what the user waits for.
//
//   QT_QPA_PLATFORM=offscreen build/bench/graph/graph_views_bench
#include "graph/ui/views/circular_plot.h"
#include "graph/ui/views/circular_plot_widget.h"
#include "graph/ui/views/view_matrix.h"

#include <QApplication>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

using namespace graph::io;
using namespace graph::ui;
using namespace graph::widgets;

namespace {

Eigen::MatrixXf denseMatrix(int n) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> weight(0.01f, 1.0f);
    Eigen::MatrixXf m = Eigen::MatrixXf::Zero(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) m(i, j) = m(j, i) = weight(rng);
    return m;
}

QStringList names(int n) {
    QStringList list;
    for (int i = 0; i < n; ++i) list << QStringLiteral("Region %1").arg(i);
    return list;
}

// Atlas-style region names, as long as real atlases' labels get.
QStringList longNames(int n) {
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("Left dorsolateral prefrontal cortex, anterior part, region %1").arg(i);
    return list;
}

void CircularPlotOpen(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Eigen::MatrixXf m = denseMatrix(n);
    Subject subject;
    for (auto _ : state) {
        CircularPlot plot(subject, {m}, names(n));
        plot.show();
        plot.buildAndPlot();
        QApplication::processEvents();
        benchmark::DoNotOptimize(plot.plotWidget()->grab());
    }
    state.counters["edges"] = n * (n - 1) / 2;
}

void CircularPlotRangeChange(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Subject subject;
    CircularPlot plot(subject, {denseMatrix(n)}, names(n));
    plot.show();
    plot.buildAndPlot();
    QApplication::processEvents();
    bool narrow = false;
    for (auto _ : state) {
        narrow = !narrow;
        plot.displayRangeChanged(narrow ? 300 : 100, narrow ? 700 : 900);
        QApplication::processEvents();
        benchmark::DoNotOptimize(plot.plotWidget()->grab());
    }
}

void openMatrixView(benchmark::State& state, const QStringList& nodeNames) {
    const int n = static_cast<int>(state.range(0));
    const Eigen::MatrixXf m = denseMatrix(n);
    for (auto _ : state) {
        ViewMatrix view;
        view.setMatrices({m});
        view.setNodeNames(nodeNames);
        view.build();
        QApplication::processEvents();
        benchmark::DoNotOptimize(view.grab());
    }
}

void MatrixViewOpen(benchmark::State& state) {
    openMatrixView(state, names(static_cast<int>(state.range(0))));
}

void MatrixViewOpenLongNames(benchmark::State& state) {
    openMatrixView(state, longNames(static_cast<int>(state.range(0))));
}

}  // namespace

BENCHMARK(CircularPlotOpen)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CircularPlotRangeChange)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(MatrixViewOpen)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MatrixViewOpenLongNames)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
