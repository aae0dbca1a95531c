#include "distortion/core/filtering.h"
#include "tools/support/fftw_for_tests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace distortion::core;

namespace {

const double kPi = 3.14159265358979323846;

double gauss(double x, double s, int order) {
    const double g = std::exp(-x * x / (2 * s * s)) / (std::sqrt(2 * kPi) * s);
    if (order == 1) return -x / (s * s) * g;
    if (order == 2) return (x * x - s * s) / std::pow(s, 4) * g;
    return g;
}

Volume randomVolume(int nx, int ny, int nz, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, 1000.0f);
    Volume v(nx, ny, nz);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = u(rng);
    return v;
}

// Direct convolution with replicated borders, offsets up to 7 voxels.
Volume directFilter(const Volume& v, std::array<double, 3> s, std::array<int, 3> o) {
    Volume out(v.dimensions());
    auto clampTo = [](int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); };
    for (int z = 0; z < v.nz(); ++z)
        for (int y = 0; y < v.ny(); ++y)
            for (int x = 0; x < v.nx(); ++x) {
                double sum = 0;
                for (int dz = -7; dz <= 7; ++dz)
                    for (int dy = -7; dy <= 7; ++dy)
                        for (int dx = -7; dx <= 7; ++dx)
                            sum +=
                                gauss(dx, s[0], o[0]) * gauss(dy, s[1], o[1]) * gauss(dz, s[2], o[2]) *
                                v(clampTo(x - dx, v.nx()), clampTo(y - dy, v.ny()), clampTo(z - dz, v.nz()));
                out(x, y, z) = static_cast<float>(sum);
            }
    return out;
}

}  // namespace

TEST(GaussianKernel1d, ClosedFormCases) {
    const auto k = gaussianKernel1d(9, 1.0, 0);
    EXPECT_NEAR(k[4], 1.0 / std::sqrt(2 * kPi), 1e-15);
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(k[i], k[8 - i]);
    const auto d1 = gaussianKernel1d(9, 1.5, 1);
    EXPECT_EQ(d1[4], 0.0);
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(d1[i], -d1[8 - i]);
    EXPECT_GT(d1[3], 0.0);  // -x/s^2 with x = -1
    const auto d2 = gaussianKernel1d(9, 2.0, 2);
    EXPECT_NEAR(d2[4], -1.0 / (4.0 * std::sqrt(2 * kPi) * 2.0), 1e-15);
    EXPECT_NEAR(d2[6], 0.0, 1e-15);  // x = s
    // Unknown orders are the plain Gaussian; an even length centres on n/2.
    const auto k3 = gaussianKernel1d(8, 1.0, 3), k0 = gaussianKernel1d(8, 1.0, 0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(k3[i], k0[i]);
    EXPECT_NEAR(k0[4], 1.0 / std::sqrt(2 * kPi), 1e-15);
}

TEST(GaussianKernel3d, CentredAtOriginWrapsTheCentreToIndexZero) {
    struct Case {
        Dimensions d;
        bool centred;
        Dimensions peak;
    } cases[] = {{{9, 8, 7}, false, {4, 4, 3}}, {{9, 8, 7}, true, {0, 0, 0}}, {{5, 5, 5}, false, {2, 2, 2}}};
    for (const Case& c : cases) {
        const Volume k = gaussianKernel3d(c.d, {1.0, 1.0, 1.0}, {0, 0, 0}, c.centred);
        EXPECT_NEAR(k(c.peak[0], c.peak[1], c.peak[2]), std::pow(1.0 / std::sqrt(2 * kPi), 3), 1e-7);
        float maxv = 0;
        for (std::size_t i = 0; i < k.size(); ++i) maxv = std::max(maxv, k[i]);
        EXPECT_EQ(maxv, k(c.peak[0], c.peak[1], c.peak[2]));
    }
    // Wide axes are truncated to about six widths: far entries stay zero.
    const Volume k = gaussianKernel3d({40, 1, 1}, {0.5, 1, 1}, {0, 0, 0}, false);
    EXPECT_EQ(k(0, 0, 0), 0.0f);
    EXPECT_EQ(k(39, 0, 0), 0.0f);
    EXPECT_GT(k(20, 0, 0), 0.0f);
    const Matrix m = gaussianKernel2d({5, 5}, {1.0, 1.0}, {0, 0}, false);
    EXPECT_NEAR(m(2, 2), 1.0 / (2 * kPi), 1e-7);
    EXPECT_NEAR(m(0, 1), gauss(-2, 1, 0) * gauss(-1, 1, 0), 1e-8);
}

TEST(GaussianFilter, MatchesDirectConvolutionWithReplicatedBorders) {
    struct Case {
        Dimensions d;
        std::array<double, 3> s;
        std::array<int, 3> o;
    } cases[] = {
        {{6, 7, 5}, {1.0, 1.0, 1.0}, {0, 0, 0}},
        {{4, 4, 9}, {0.5, 1.0, 0.5}, {0, 1, 0}},
        {{9, 5, 4}, {0.8, 0.6, 1.0}, {1, 1, 1}},
        {{5, 6, 3}, {1.0, 0.7, 0.9}, {0, 2, 0}},
    };
    for (const Case& c : cases) {
        const Volume v = randomVolume(c.d[0], c.d[1], c.d[2], 17);
        Volume f(v);
        gaussianFilter(fftwForTests(), f, c.s, c.o, true);
        const Volume ref = directFilter(v, c.s, c.o);
        for (std::size_t i = 0; i < v.size(); ++i) ASSERT_NEAR(f[i], ref[i], 2e-3) << "voxel " << i;
    }
}

TEST(GaussianFilter, ConstantStaysConstantAndThinVolumesWork) {
    for (auto d : {Dimensions{10, 9, 8}, Dimensions{4, 4, 64}, Dimensions{3, 1, 2}}) {
        Volume v(d, 250.0f);
        gaussianFilter(fftwForTests(), v, {1.5, 1.5, 1.5}, {0, 0, 0}, true);
        for (std::size_t i = 0; i < v.size(); ++i) ASSERT_NEAR(v[i], 250.0f, 250.0f * 1e-5f);
    }
}

TEST(FftConvolve, CircularConvolutionWithAShiftedDelta) {
    const Volume v = randomVolume(5, 4, 3, 5);
    Volume k(5, 4, 3, 0.0f);
    k(1, 0, 0) = 1.0f;  // shifts by one along x, circularly
    Volume c(v);
    fftConvolve(fftwForTests(), c, k);
    for (int z = 0; z < 3; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_NEAR(c(x, y, z), v((x + 4) % 5, y, z), 1e-3);
    Volume wrong(5, 4, 2, 0.0f);
    EXPECT_THROW(fftConvolve(fftwForTests(), c, wrong), std::logic_error);
}

namespace {
int g_frees = 0;
void* failingMalloc(std::size_t) {
    return nullptr;
}
distortion::core::FftPlan failingPlan(int, int, int, float*, distortion::core::FftComplex*, unsigned) {
    return nullptr;
}
void countingFree(void* p) {
    ++g_frees;
    fftwForTests().free(p);
}
}  // namespace

TEST(FftConvolve, BufferOrPlanFailureThrowsAndReleasesBuffers) {
    Volume v(4, 4, 4, 1.0f), k(4, 4, 4, 0.0f);
    FftApi noMemory = fftwForTests();
    noMemory.malloc = failingMalloc;
    try {
        fftConvolve(noMemory, v, k);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("could not allocate"), std::string::npos);
    }
    FftApi noPlan = fftwForTests();
    noPlan.planR2c3d = failingPlan;
    noPlan.free = countingFree;
    g_frees = 0;
    try {
        fftConvolve(noPlan, v, k);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("could not be planned"), std::string::npos);
    }
    EXPECT_EQ(g_frees, 3);
}

TEST(WeightedSmooth, EdgeCasesIn3dAnd2d) {
    const Volume kernel = gaussianKernel3d({3, 3, 3}, {1, 1, 1}, {0, 0, 0}, false);
    Volume map(4, 5, 3, 2.5f);
    weightedSmooth(map, kernel, Volume(4, 5, 3, 1.0f), true);
    for (std::size_t i = 0; i < map.size(); ++i) EXPECT_NEAR(map[i], 2.5f, 1e-6);
    weightedSmooth(map, kernel, Volume(4, 5, 3, 0.0f), true);
    for (std::size_t i = 0; i < map.size(); ++i) EXPECT_EQ(map[i], 0.0f);

    const Matrix k2 = gaussianKernel2d({5, 5}, {1, 1}, {0, 0}, false);
    Matrix m(4, 3, 7.0f);
    weightedSmooth(m, k2, Matrix(4, 3, 0.0f), true);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(m(i, j), 7.0f);
    // One weighted entry spreads its value to everything within reach.
    Matrix w(4, 3, 0.0f);
    w(0, 0) = 1.0f;
    m(0, 0) = 3.0f;
    weightedSmooth(m, k2, w, true);
    EXPECT_FLOAT_EQ(m(2, 2), 3.0f);
    EXPECT_EQ(m(3, 2), 7.0f);  // outside the 5 x 5 window of (0, 0): no weight, input kept
}

TEST(WeightedSmooth, MatchesALiteralNormalisedConvolution) {
    std::mt19937 rng(4);
    std::uniform_real_distribution<float> u(0, 1);
    Volume map(6, 5, 4), weight(6, 5, 4);
    for (std::size_t i = 0; i < map.size(); ++i) {
        map[i] = u(rng) * 10;
        weight[i] = u(rng) < 0.3f ? 0.25f : 1.0f;
    }
    const Volume kernel = gaussianKernel3d({3, 3, 3}, {1.2, 0.8, 1.0}, {0, 0, 0}, false);
    Volume out(map);
    weightedSmooth(out, kernel, weight, true);
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                double num = 0, den = 0;
                for (int dz = -1; dz <= 1; ++dz)
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int sx = x + dx, sy = y + dy, sz = z + dz;
                            if (sx < 0 || sy < 0 || sz < 0 || sx >= 6 || sy >= 5 || sz >= 4) continue;
                            const double k = gauss(dx, 1.2, 0) * gauss(dy, 0.8, 0) * gauss(dz, 1.0, 0);
                            num += k * weight(sx, sy, sz) * map(sx, sy, sz);
                            den += k * weight(sx, sy, sz);
                        }
                EXPECT_NEAR(out(x, y, z), num / den, 1e-4);
            }
}

TEST(WeightedSmooth, SeparableFormAgreesWithTheThreeDimensionalKernel) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(0, 1);
    struct Case {
        Dimensions d;
        std::array<double, 3> w;
        int taps;
    } cases[] = {{{12, 10, 7}, {3.0, 1.5, 2.0}, 9},
                 {{5, 13, 4}, {0.8, 6.0, 1.0}, 5},
                 {{3, 3, 11}, {1.0, 1.0, 1.0}, 9}};
    for (const Case& c : cases) {
        Volume map(c.d), weight(c.d);
        for (std::size_t i = 0; i < map.size(); ++i) {
            map[i] = u(rng) * 8 - 4;
            weight[i] = u(rng) < 0.4f ? 0.25f : (u(rng) < 0.1f ? 0.0f : 1.0f);
        }
        Volume full(map), separable(map);
        weightedSmooth(full, gaussianKernel3d({c.taps, c.taps, c.taps}, c.w, {0, 0, 0}, false), weight, true);
        weightedSmoothSeparable(separable,
                                {gaussianKernel1d(c.taps, c.w[0], 0), gaussianKernel1d(c.taps, c.w[1], 0),
                                 gaussianKernel1d(c.taps, c.w[2], 0)},
                                weight, true);
        for (std::size_t i = 0; i < map.size(); ++i) ASSERT_NEAR(separable[i], full[i], 1e-4) << i;
    }
    // No weight anywhere: zeros, as the 3-D form gives.
    Volume map(4, 4, 4, 3.0f);
    weightedSmoothSeparable(map,
                            {gaussianKernel1d(3, 1, 0), gaussianKernel1d(3, 1, 0), gaussianKernel1d(3, 1, 0)},
                            Volume(4, 4, 4, 0.0f), true);
    for (std::size_t i = 0; i < map.size(); ++i) EXPECT_EQ(map[i], 0.0f);
}
