// One trapezoid fit, literal search against the fast one, on a noisy
// trapezoid-shaped response. The fast benchmarks first check that both
// searches choose the same breakpoints.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "latency/core/trapezoid_fit.h"

namespace {

// Fractional signal change: baseline, a rise to 2 %, plateau, fall to a
// slight undershoot, with noise; fixed seed so every run times the same curve.
std::vector<float> responseCurve(int n) {
    std::mt19937 rng(20240601u + static_cast<unsigned>(n));
    std::normal_distribution<float> noise(0.0f, 0.002f);
    std::vector<float> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(n - 1);
        float v = 0.0f;
        if (t > 0.15f && t < 0.35f) v = 0.02f * (t - 0.15f) / 0.2f;
        if (t >= 0.35f && t <= 0.6f) v = 0.02f;
        if (t > 0.6f && t < 0.8f) v = 0.02f - 0.024f * (t - 0.6f) / 0.2f;
        if (t >= 0.8f) v = -0.004f;
        y[static_cast<std::size_t>(i)] = v + noise(rng);
    }
    return y;
}

void LiteralSearch(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<float> y = responseCurve(n);
    for (auto _ : state) benchmark::DoNotOptimize(latency::core::fitTrapezoidReference(y.data(), n));
    state.counters["sets"] = static_cast<double>(n) * (n - 1) * (n - 2) * (n - 3) / 24.0;
}

void FastSearch(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<float> y = responseCurve(n);
    latency::core::TrapezoidFitter fitter;
    latency::core::TrapezoidFit fit;
    fitter.fit(y.data(), n, fit);
    if (n <= 65) {
        const latency::core::TrapezoidFit literal = latency::core::fitTrapezoidReference(y.data(), n);
        if (fit.i1 != literal.i1 || fit.i2 != literal.i2 || fit.i3 != literal.i3 || fit.i4 != literal.i4 ||
            fit.fitted != literal.fitted) {
            state.SkipWithError("fast and literal searches disagree");
            return;
        }
    }
    for (auto _ : state) {
        fitter.fit(y.data(), n, fit);
        benchmark::DoNotOptimize(fit.i1);
    }
}

}  // namespace

BENCHMARK(LiteralSearch)->Arg(20)->Arg(40)->Arg(65)->Unit(benchmark::kMicrosecond);
BENCHMARK(FastSearch)->Arg(20)->Arg(40)->Arg(65)->Arg(160)->Unit(benchmark::kMicrosecond);
