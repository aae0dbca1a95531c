// Geweke measures checked against closed forms, long simulations and
// double-precision values computed from the definition by an independent
// script (tools/granger_fixtures.py).
#include "granger/core/geweke.h"
#include "granger/core/gcm_random.h"
#include "granger/core/voxel_engine.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <random>

using namespace granger::core;

namespace {

using M2 = std::array<std::array<double, 2>, 2>;

M2 mul(const M2& a, const M2& b) {
    M2 c{};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) c[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j];
    return c;
}
M2 transpose(const M2& a) {
    return {{{a[0][0], a[1][0]}, {a[0][1], a[1][1]}}};
}

// Stationary covariance of x_t = A x_{t-1} + e_t: Gamma0 = A Gamma0 A^T + S.
M2 lyapunov(const M2& a, const M2& s) {
    M2 g = s;
    for (int it = 0; it < 2000; ++it) {
        M2 next = mul(mul(a, g), transpose(a));
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) next[i][j] += s[i][j];
        g = next;
    }
    return g;
}

struct VarCase {
    double a00, a01, a10, a11;  // row 0: reference, row 1: voxel
    double rho;                 // noise correlation, unit variances
};

LagCovariances populationCovariances(const VarCase& c) {
    const M2 a{{{c.a00, c.a01}, {c.a10, c.a11}}};
    const M2 s{{{1.0, c.rho}, {c.rho, 1.0}}};
    const M2 g0 = lyapunov(a, s);
    const M2 g1 = mul(a, g0);
    LagCovariances cov(1);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            cov.g[static_cast<std::size_t>(2 * i + j)] = g0[i][j];
            cov.g[static_cast<std::size_t>(4 + 2 * i + j)] = g1[i][j];
        }
    return cov;
}

// For an exact VAR(1), the order-1 bivariate residual covariance is the noise
// covariance; the univariate order-1 residual variance is g0 - g1^2 / g0.
GewekeMeasures closedForm(const VarCase& c) {
    const LagCovariances cov = populationCovariances(c);
    const double r0 = cov.at(0, 0, 0), r1 = cov.at(1, 0, 0), v0 = cov.at(0, 1, 1), v1 = cov.at(1, 1, 1);
    GewekeMeasures m;
    m.ref2vox = static_cast<float>(std::log((v0 - v1 * v1 / v0) / 1.0));
    m.vox2ref = static_cast<float>(std::log((r0 - r1 * r1 / r0) / 1.0));
    m.inst = static_cast<float>(-std::log(1.0 - c.rho * c.rho));
    return m;
}

const VarCase kCases[] = {
    {0.5, 0.0, 0.6, 0.3, 0.0},   // reference drives voxel
    {0.5, 0.5, 0.0, 0.3, 0.0},   // voxel drives reference
    {0.5, 0.0, 0.0, 0.3, 0.6},   // instantaneous only
    {0.4, 0.2, 0.3, 0.2, -0.4},  // everything
    {0.5, 0.0, 0.0, 0.3, 0.0},   // independent
};

}  // namespace

TEST(GewekeClosedForm, PopulationCovariancesGiveTheModelsMeasures) {
    for (const VarCase& c : kCases) {
        GewekeMeasures m;
        ASSERT_TRUE(gewekeMeasures(populationCovariances(c), m));
        const GewekeMeasures want = closedForm(c);
        EXPECT_NEAR(m.ref2vox, want.ref2vox, 2e-5) << c.a10;
        EXPECT_NEAR(m.vox2ref, want.vox2ref, 2e-5) << c.a01;
        EXPECT_NEAR(m.inst, want.inst, 2e-5) << c.rho;
    }
    // Directions are not symmetric: a driven voxel shows Ref2Vox only.
    const GewekeMeasures driven = closedForm(kCases[0]);
    EXPECT_GT(driven.ref2vox, 0.1f);
    EXPECT_NEAR(driven.vox2ref, 0.0f, 1e-9);
}

TEST(GewekeClosedForm, LongSimulationsConvergeToThePopulationValues) {
    std::mt19937 rng(7);
    std::normal_distribution<double> normal;
    const int n = 200000;
    for (const VarCase& c : kCases) {
        std::vector<float> ref(n), vox(n);
        double x0 = 0, x1 = 0;
        const double mix = std::sqrt(1.0 - c.rho * c.rho);
        for (int t = -100; t < n; ++t) {
            const double e0 = normal(rng);
            const double e1 = c.rho * e0 + mix * normal(rng);
            const double n0 = c.a00 * x0 + c.a01 * x1 + e0;
            const double n1 = c.a10 * x0 + c.a11 * x1 + e1;
            x0 = n0;
            x1 = n1;
            if (t >= 0) {
                ref[static_cast<std::size_t>(t)] = static_cast<float>(50.0 + 1e-4 * t + x0);
                vox[static_cast<std::size_t>(t)] = static_cast<float>(80.0 - 2e-4 * t + x1);
            }
        }
        std::vector<float> dr(n), dv(n);
        detrend(ref.data(), n, dr.data());
        detrend(vox.data(), n, dv.data());
        LagCovariances cov(1);
        addLagCovariances(dr.data(), dv.data(), n, cov);
        GewekeMeasures m;
        ASSERT_TRUE(gewekeMeasures(cov, m));
        const GewekeMeasures want = closedForm(c);
        EXPECT_NEAR(m.ref2vox, want.ref2vox, 0.01);
        EXPECT_NEAR(m.vox2ref, want.vox2ref, 0.01);
        EXPECT_NEAR(m.inst, want.inst, 0.01);
    }
}

TEST(GewekeFixtures, AgreeWithTheDoublePrecisionDefinition) {
    std::ifstream in(std::string(GRANGER_FIXTURES) + "/geweke_cases.txt");
    ASSERT_TRUE(in) << "fixture file missing";
    std::string comment;
    std::getline(in, comment);
    int cases = 0;
    in >> cases;
    ASSERT_EQ(cases, 18);
    int checked = 0;
    for (int c = 0; c < cases; ++c) {
        int p = 0, nIntervals = 0;
        in >> p >> nIntervals;
        LagCovariances sums(p);
        for (int i = 0; i < nIntervals; ++i) {
            int n = 0;
            in >> n;
            std::vector<float> ref(static_cast<std::size_t>(n)), vox(static_cast<std::size_t>(n));
            for (float& v : ref) in >> v;
            for (float& v : vox) in >> v;
            std::vector<float> dr(ref.size()), dv(vox.size());
            detrend(ref.data(), n, dr.data());
            detrend(vox.data(), n, dv.data());
            addLagCovariances(dr.data(), dv.data(), n, sums);
        }
        sums.scale(1.0 / nIntervals);
        double want[3];
        in >> want[0] >> want[1] >> want[2];
        ASSERT_TRUE(in);
        GewekeMeasures m;
        ASSERT_TRUE(gewekeMeasures(sums, m)) << "case " << c;
        // Single-precision factorisation: absolute agreement to a few 1e-5 on
        // values of order 0.01 to 1.
        EXPECT_NEAR(m.ref2vox, want[0], 2e-4 + 1e-3 * std::fabs(want[0])) << "case " << c << " p " << p;
        EXPECT_NEAR(m.vox2ref, want[1], 2e-4 + 1e-3 * std::fabs(want[1])) << "case " << c << " p " << p;
        EXPECT_NEAR(m.inst, want[2], 2e-4 + 1e-3 * std::fabs(want[2])) << "case " << c << " p " << p;
        ++checked;
    }
    EXPECT_EQ(checked, 18);
}

TEST(GewekeEdges, IdenticalSeriesAreIllDefined) {
    std::vector<float> x(40);
    std::mt19937 rng(3);
    std::normal_distribution<float> normal;
    for (float& v : x) v = 100.0f + normal(rng);
    std::vector<float> d(x.size());
    detrend(x.data(), 40, d.data());
    for (int p : {1, 2, 5}) {
        LagCovariances cov(p);
        addLagCovariances(d.data(), d.data(), 40, cov);
        GewekeMeasures m;
        EXPECT_FALSE(gewekeMeasures(cov, m)) << p;
    }
}

TEST(GewekeEdges, DetrendRemovesMeanAndRampExactly) {
    std::vector<float> x(11), d(11);
    for (int i = 0; i < 11; ++i) x[static_cast<std::size_t>(i)] = 7.0f + 3.0f * i;
    detrend(x.data(), 11, d.data());
    for (float v : d) EXPECT_NEAR(v, 0.0f, 1e-5);
    // Two points: any pair is a line.
    float two[2] = {1.0f, 5.0f}, out[2];
    detrend(two, 2, out);
    EXPECT_NEAR(out[0], 0.0f, 1e-6);
    EXPECT_NEAR(out[1], 0.0f, 1e-6);
}

TEST(GewekeEdges, UnivariateFitRecoversAnAR1Coefficient) {
    // gamma(k) = 0.6^k / (1 - 0.36) for unit noise.
    const double g[3] = {1.0 / 0.64, 0.6 / 0.64, 0.36 / 0.64};
    std::vector<float> a;
    float var = 0.0f;
    ASSERT_TRUE(fitUnivariateAR(g, 1, a, var));
    EXPECT_NEAR(a[0], 0.6f, 1e-6);
    EXPECT_NEAR(var, 1.0f, 1e-5);
    ASSERT_TRUE(fitUnivariateAR(g, 2, a, var));
    EXPECT_NEAR(a[0], 0.6f, 1e-5);
    EXPECT_NEAR(a[1], 0.0f, 1e-5);
    const double flat[2] = {0.0, 0.0};
    EXPECT_FALSE(fitUnivariateAR(flat, 1, a, var));
}

TEST(VoxelEngine, AveragesTheIntervalsAndDrawsOneOfTheSurrogates) {
    std::mt19937 rng(11);
    std::normal_distribution<float> normal;
    const int v = 60, nSurr = 3, p = 2;
    std::vector<float> ref(v), vox(v), surr(static_cast<std::size_t>(nSurr * v));
    for (float& x : ref) x = 10.0f + normal(rng);
    for (int t = 0; t < v; ++t)
        vox[static_cast<std::size_t>(t)] =
            20.0f + normal(rng) + (t ? 0.7f * ref[static_cast<std::size_t>(t - 1)] : 0.0f);
    for (float& x : surr) x = normal(rng);
    VoxelEngine engine(p, nSurr);
    engine.addInterval(0, 1, 25, ref, surr, v);
    engine.addInterval(0, 31, 60, ref, surr, v);
    const float* courses[1] = {vox.data()};
    gcmSrand(5);
    GewekeMeasures real, null;
    ASSERT_EQ(engine.compute(courses, real, null), VoxelEngine::Status::Computed);

    // Literal: the same two intervals, averaged lag covariances.
    auto covOf = [&](const float* r, int first, int last, LagCovariances& sums) {
        const int n = last - first + 1;
        std::vector<float> dr(static_cast<std::size_t>(n)), dv(static_cast<std::size_t>(n));
        detrend(r + first - 1, n, dr.data());
        detrend(vox.data() + first - 1, n, dv.data());
        addLagCovariances(dr.data(), dv.data(), n, sums);
    };
    LagCovariances sums(p);
    covOf(ref.data(), 1, 25, sums);
    covOf(ref.data(), 31, 60, sums);
    sums.scale(0.5);
    GewekeMeasures want;
    ASSERT_TRUE(gewekeMeasures(sums, want));
    EXPECT_NEAR(real.ref2vox, want.ref2vox, 1e-5);
    EXPECT_NEAR(real.vox2ref, want.vox2ref, 1e-5);
    EXPECT_NEAR(real.inst, want.inst, 1e-5);

    // The null value comes from the surrogates the generator picks, one per interval.
    gcmSrand(5);
    const int s1 = gcmRand() % nSurr, s2 = gcmRand() % nSurr;
    LagCovariances nullSums(p);
    covOf(surr.data() + s1 * v, 1, 25, nullSums);
    covOf(surr.data() + s2 * v, 31, 60, nullSums);
    nullSums.scale(0.5);
    ASSERT_TRUE(gewekeMeasures(nullSums, want));
    EXPECT_NEAR(null.ref2vox, want.ref2vox, 1e-5);
    EXPECT_NEAR(null.inst, want.inst, 1e-5);
}

TEST(VoxelEngine, IllDefinedVoxelHasAllValuesZero) {
    std::vector<float> ref(30), surr(30 * 10);
    std::mt19937 rng(2);
    std::normal_distribution<float> normal;
    for (float& x : ref) x = 5.0f + normal(rng);
    for (float& x : surr) x = normal(rng);
    VoxelEngine engine(1, 10);
    engine.addInterval(0, 1, 30, ref, surr, 30);
    const float* courses[1] = {ref.data()};
    GewekeMeasures real{1, 1, 1}, null{1, 1, 1};
    EXPECT_EQ(engine.compute(courses, real, null), VoxelEngine::Status::IllDefined);
    EXPECT_EQ(real.ref2vox, 0.0f);
    EXPECT_EQ(real.inst, 0.0f);
    EXPECT_EQ(null.vox2ref, 0.0f);
}

// A constant voxel has no variance: both the literal detrend and the fast
// path must call it ill-defined, whatever its level, order, interval lengths
// and number of intervals (float sums of a constant and of the ramp round,
// and a rounding ramp must not pass for a signal).
TEST(VoxelEngine, ConstantVoxelIsIllDefinedLikeTheLiteralPath) {
    std::mt19937 rng(3);
    std::normal_distribution<float> normal;
    for (int p : {1, 2, 3}) {
        for (int n : {17, 64, 120, 141, 200}) {
            std::vector<float> ref(static_cast<std::size_t>(n)), surr(static_cast<std::size_t>(10 * n));
            for (float& x : ref) x = 1000.0f + 15.0f * normal(rng);
            for (float& x : surr) x = normal(rng);
            const std::vector<std::vector<std::pair<int, int>>> layouts = {
                {{1, n}}, {{1, n / 2 - 1}, {n / 2 + 2, n}}, {{n / 10 + 1, n / 2}, {n / 2 + n / 10 + 1, n}}};
            for (const auto& intervals : layouts) {
                for (float level : {100.1f, 500.0f, 1000.1f, 1037.4f, 4095.7f, 31999.3f}) {
                    const std::vector<float> vox(static_cast<std::size_t>(n), level);
                    LagCovariances literal(p);
                    VoxelEngine engine(p, 10);
                    for (const auto& [first, last] : intervals) {
                        const int m = last - first + 1;
                        std::vector<float> dr(static_cast<std::size_t>(m)), dv(static_cast<std::size_t>(m));
                        detrend(ref.data() + first - 1, m, dr.data());
                        detrend(vox.data() + first - 1, m, dv.data());
                        addLagCovariances(dr.data(), dv.data(), m, literal);
                        engine.addInterval(0, first, last, ref, surr, n);
                    }
                    GewekeMeasures want;
                    ASSERT_FALSE(gewekeMeasures(literal, want)) << level;
                    const float* courses[1] = {vox.data()};
                    GewekeMeasures real{1, 1, 1}, null{1, 1, 1};
                    EXPECT_EQ(engine.compute(courses, real, null), VoxelEngine::Status::IllDefined)
                        << "p " << p << ", n " << n << ", intervals " << intervals.size() << ", level "
                        << level;
                    EXPECT_EQ(real.inst, 0.0f);
                    EXPECT_EQ(real.ref2vox, 0.0f);
                    EXPECT_EQ(null.inst, 0.0f);
                }
            }
        }
    }
}
