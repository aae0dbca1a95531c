#include "distortion/core/vdm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace distortion::core;

namespace {

Volume randomVolume(int nx, int ny, int nz, unsigned seed, float lo, float hi) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(lo, hi);
    Volume v(nx, ny, nz);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = u(rng);
    return v;
}

// The cubic B-spline basis by its piecewise definition.
double beta3(double t) {
    t = std::fabs(t);
    if (t < 1) return 2.0 / 3.0 - t * t + t * t * t / 2.0;
    if (t < 2) return (2 - t) * (2 - t) * (2 - t) / 6.0;
    return 0.0;
}

// The spline sum over every coefficient of the volume, written out.
double splineAt(const std::vector<double>& c, const Dimensions& d, double x, double y, double z) {
    double sum = 0;
    for (int k = 0; k < d[2]; ++k)
        for (int j = 0; j < d[1]; ++j)
            for (int i = 0; i < d[0]; ++i)
                sum += c[(static_cast<std::size_t>(k) * d[1] + j) * d[0] + i] * beta3(x - i) * beta3(y - j) *
                       beta3(z - k);
    return sum;
}

}  // namespace

TEST(CubicUndistort, CoefficientsInterpolateAtGridPoints) {
    const Volume v = randomVolume(5, 6, 4, 1, 0, 1000);
    const std::vector<double> c = bsplineCoefficients(v);
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_NEAR(splineAt(c, v.dimensions(), x, y, z), v(x, y, z), 1e-9);
}

TEST(CubicUndistort, ZeroMapReproducesTheVolume) {
    const Volume v = randomVolume(7, 9, 3, 2, -500, 500);
    const Volume out = undistortCubic(v, Volume(v.dimensions(), 0.0f), false);
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(out[i], v[i], 1e-3);
    // Whole-voxel shifts land on grid points too.
    const Volume shifted = undistortCubic(v, Volume(v.dimensions(), 2.0f), true);
    for (int z = 0; z < 3; ++z)
        for (int y = 2; y < 9; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_NEAR(shifted(x, y, z), v(x, y - 2, z), 1e-3);
}

TEST(CubicUndistort, MatchesTheLiteralSplineSum) {
    const Volume v = randomVolume(5, 8, 3, 3, 0, 100);
    const Volume map = randomVolume(5, 8, 3, 4, -3.5f, 3.5f);
    const std::vector<double> c = bsplineCoefficients(v);
    for (bool negate : {false, true}) {
        const Volume out = undistortCubic(v, map, negate);
        for (int z = 0; z < 3; ++z)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 5; ++x) {
                    const float yy = negate ? y - map(x, y, z) : y + map(x, y, z);
                    EXPECT_NEAR(out(x, y, z), splineAt(c, v.dimensions(), x, yy, z), 1e-3)
                        << x << " " << y << " " << z;
                }
    }
    EXPECT_THROW(undistortCubic(v, Volume(5, 8, 2, 0.0f), false), std::logic_error);
}

TEST(LinearUndistort, InterpolatesAlongYWithZerosOutside) {
    Volume src(1, 4, 1);
    for (int y = 0; y < 4; ++y) src(0, y, 0) = static_cast<float>(10 * (y + 1));
    Volume map(1, 4, 1, 0.5f), dst(1, 4, 1);
    undistortLinear(dst, src, map, false);
    EXPECT_FLOAT_EQ(dst(0, 0, 0), 15.0f);
    EXPECT_FLOAT_EQ(dst(0, 3, 0), 20.0f);  // half of the last value, half of the zero beyond
    undistortLinear(dst, src, map, true);
    EXPECT_FLOAT_EQ(dst(0, 0, 0), 5.0f);
    EXPECT_FLOAT_EQ(dst(0, 2, 0), 25.0f);
    EXPECT_THROW(undistortLinear(src, src, map, false), std::logic_error);
    Volume small(1, 3, 1);
    EXPECT_THROW(undistortLinear(small, src, map, false), std::logic_error);
}

TEST(LocalUndistort, RejectsRowsAtTheEdgesAndUsesTheBox) {
    Volume src(1, 5, 1);
    for (int y = 0; y < 5; ++y) src(0, y, 0) = static_cast<float>(y * y);
    const Volume map(1, 5, 1, 0.0f);
    Volume box(1, 3, 1, 1.0f);
    box(0, 2, 0) = 0.5f;
    struct Case {
        int y;
        int q;
        float shift;
        bool negate;
        float expected;
    } cases[] = {
        {1, 1, -1.0f, false, -1.0f},  // y' = 0: rejected, keeps -1
        {3, 1, 1.0f, false, -1.0f},   // y' = 4 = ny - 1: rejected
        {2, 1, 0.5f, false, 6.5f},    // y' = 2.5
        {2, 2, 1.0f, false, 6.5f},    // the box halves the shift
        {2, 1, 0.5f, true, 2.5f},     // y' = 1.5
        {2, 1, 1.5f, false, 12.5f},   // y' = 3.5
    };
    for (const Case& c : cases) {
        Volume dst(1, 5, 1, -1.0f);
        undistortLocal(dst, src, map, {{0, c.y, 0}}, {{0, c.q, 0}}, box, c.shift, c.negate);
        EXPECT_FLOAT_EQ(dst(0, c.y, 0), c.expected) << c.y << " " << c.shift;
    }
}

TEST(ColumnSampling, LinearWithZerosOutside) {
    const float v[3] = {2, 4, 8};
    EXPECT_FLOAT_EQ(sampleColumn(v, 3, 0.0f), 2.0f);
    EXPECT_FLOAT_EQ(sampleColumn(v, 3, 1.25f), 5.0f);
    EXPECT_FLOAT_EQ(sampleColumn(v, 3, -0.5f), 1.0f);
    EXPECT_FLOAT_EQ(sampleColumn(v, 3, 2.5f), 4.0f);
    EXPECT_FLOAT_EQ(sampleColumn(v, 3, 7.0f), 0.0f);
}

TEST(MapOperations, DerivativeResizeAndInverse) {
    Volume ramp(3, 6, 2);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 3; ++x) ramp(x, y, z) = static_cast<float>(y) + x;
    const Volume d = yDerivative(ramp);
    for (int z = 0; z < 2; ++z)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(d(x, 0, z), 0.0f);
            EXPECT_EQ(d(x, 5, z), 0.0f);
            for (int y = 1; y < 5; ++y) EXPECT_EQ(d(x, y, z), 1.0f);
        }
    const Volume same = resizeMap(ramp.dimensions(), ramp);
    for (std::size_t i = 0; i < ramp.size(); ++i) EXPECT_FLOAT_EQ(same[i], ramp[i]);
    // Doubling the grid of a linear ramp: centres map onto each other.
    const Volume big = resizeMap({6, 12, 4}, Volume(3, 6, 2, 4.0f));
    EXPECT_FLOAT_EQ(big(3, 6, 2), 4.0f);
    EXPECT_THROW(resizeMap(ramp, ramp), std::logic_error);

    // A constant shift of c has the inverse -c where a bracketing pair exists.
    const Volume inv = inverseMap(Volume(1, 10, 1, 1.5f));
    for (int t = 0; t < 10; ++t) EXPECT_FLOAT_EQ(inv(0, t, 0), (t >= 2 && t <= 9) ? -1.5f : 0.0f) << t;
    // A stretch y -> 2y has the inverse t/2 - t where defined.
    Volume stretch(1, 8, 1);
    for (int y = 0; y < 8; ++y) stretch(0, y, 0) = static_cast<float>(y);
    const Volume inv2 = inverseMap(stretch);
    for (int t = 1; t < 8; ++t) EXPECT_FLOAT_EQ(inv2(0, t, 0), t / 2.0f - t) << t;
    EXPECT_EQ(inv2(0, 0, 0), 0.0f);
}

namespace {

// One line of the tridiagonal system (c[i-1] + 4 c[i] + c[i+1]) / 6 = v[i]
// (zeros outside) solved by forward elimination and back substitution,
// written out line by line as the method states it.
void solveLineLiterally(std::vector<double>& v, std::size_t start, int n, std::size_t stride) {
    std::vector<double> work(static_cast<std::size_t>(n));
    const double off = 1.0 / 6.0, diag = 4.0 / 6.0;
    work[0] = off / diag;
    v[start] = v[start] / diag;
    for (int i = 1; i < n; ++i) {
        const double m = diag - off * work[static_cast<std::size_t>(i - 1)];
        work[static_cast<std::size_t>(i)] = off / m;
        v[start + i * stride] = (v[start + i * stride] - off * v[start + (i - 1) * stride]) / m;
    }
    for (int i = n - 2; i >= 0; --i)
        v[start + i * stride] -= work[static_cast<std::size_t>(i)] * v[start + (i + 1) * stride];
}

std::vector<double> coefficientsLineByLine(const Volume& src) {
    const int nx = src.nx(), ny = src.ny(), nz = src.nz();
    std::vector<double> c(src.data(), src.data() + src.size());
    const std::size_t sy = static_cast<std::size_t>(nx), sz = sy * ny;
    for (int y = 0; y < ny; ++y)
        for (int x = 0; x < nx; ++x) solveLineLiterally(c, y * sy + x, nz, sz);
    for (int z = 0; z < nz; ++z)
        for (int x = 0; x < nx; ++x) solveLineLiterally(c, z * sz + x, ny, sy);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) solveLineLiterally(c, z * sz + y * sy, nx, 1);
    return c;
}

}  // namespace

// The plane-wise solve is the line-by-line solve to the last bit, whatever
// volumes the resampler held before.
TEST(CubicUndistort, CoefficientsEqualTheLineByLineSolveBitForBit) {
    CubicResampler r;
    for (const Volume& v : {randomVolume(9, 7, 5, 5, -1000, 1000), randomVolume(4, 11, 1, 6, 0, 30000),
                            randomVolume(1, 3, 8, 7, -5, 5), randomVolume(9, 7, 5, 8, 0, 1)}) {
        r.prepare(v);
        const std::vector<double> expected = coefficientsLineByLine(v);
        ASSERT_EQ(r.coefficients().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(r.coefficients()[i], expected[i]) << "coefficient " << i;
        // A resampled volume equals the one of a fresh resampler.
        const Volume map = randomVolume(v.nx(), v.ny(), v.nz(), 9, -2.5f, 2.5f);
        Volume out;
        r.resample(map, true, out);
        const Volume fresh = undistortCubic(v, map, true);
        for (std::size_t i = 0; i < v.size(); ++i) ASSERT_EQ(out[i], fresh[i]);
    }
}
