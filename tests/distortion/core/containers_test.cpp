#include "distortion/core/containers.h"

#include <gtest/gtest.h>

#include <random>

using namespace distortion::core;

namespace {
Volume randomVolume(int nx, int ny, int nz, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-10.0f, 10.0f);
    Volume v(nx, ny, nz);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = u(rng);
    return v;
}
}  // namespace

TEST(Volume, IndexIsXFastestThenYThenZ) {
    Volume v(3, 4, 5, 0.0f);
    v(2, 1, 3) = 7.0f;
    EXPECT_EQ(v[(3 * 4 + 1) * 3 + 2], 7.0f);
}

TEST(Volume, ExchangeXYMovesEveryValueAndTwiceIsIdentity) {
    for (auto d : {Dimensions{1, 1, 1}, Dimensions{3, 5, 2}, Dimensions{6, 1, 4}}) {
        const Volume v = randomVolume(d[0], d[1], d[2], 3);
        const Volume t = v.exchangedXY();
        ASSERT_EQ(t.dimensions(), (Dimensions{d[1], d[0], d[2]}));
        for (int z = 0; z < d[2]; ++z)
            for (int y = 0; y < d[1]; ++y)
                for (int x = 0; x < d[0]; ++x) EXPECT_EQ(t(y, x, z), v(x, y, z));
        const Volume back = t.exchangedXY();
        ASSERT_EQ(back.dimensions(), v.dimensions());
        for (std::size_t i = 0; i < v.size(); ++i) EXPECT_EQ(back[i], v[i]);
    }
}

TEST(Volume, ElementwiseOperationsAndMove) {
    Volume a(2, 2, 1, 3.0f), b(2, 2, 1, -2.0f);
    EXPECT_EQ((a * b)[3], -6.0f);
    EXPECT_EQ((-a)[0], -3.0f);
    EXPECT_EQ((a + 1.5f)[1], 4.5f);
    EXPECT_EQ((a * 0.5f)[2], 1.5f);
    Volume moved(std::move(a));
    EXPECT_EQ(moved.size(), 4u);
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(a.nx(), 0);
}

TEST(Volume, ColumnRoundTripAndBoundsAssertion) {
    Volume v = randomVolume(4, 6, 3, 9);
    Vector c(6);
    for (int i = 0; i < 6; ++i) c[i] = static_cast<float>(i * i);
    setColumn(v, 3, 2, c);
    const Vector back = column(v, 3, 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(back[i], c[i]);
    try {
        column(v, 4, 0);
        FAIL() << "no assertion";
    } catch (const std::logic_error& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.rfind("assertion failure (containers.cpp:", 0), 0u) << what;
        EXPECT_EQ(what.substr(what.find(')')), "): row < vol.nx() && slice < vol.nz()") << what;
    }
    EXPECT_THROW(column(v, 0, 3), std::logic_error);
}

TEST(VectorOps, ArithmeticAndExtremes) {
    Vector one(1, 4.0f);
    EXPECT_EQ(one.maximum(), 4.0f);
    EXPECT_EQ(one.minimum(), 4.0f);
    Vector v(3);
    v[0] = 1, v[1] = -5, v[2] = 2;
    EXPECT_EQ(v.maximum(), 2.0f);
    EXPECT_EQ(v.minimum(), -5.0f);
    EXPECT_EQ((v * 2.0f)[1], -10.0f);
    EXPECT_EQ((v + 1.0f)[0], 2.0f);
    EXPECT_EQ((v / 2.0f)[2], 1.0f);
    EXPECT_EQ((v - v)[1], 0.0f);
    Vector w(v);
    w += v;
    EXPECT_EQ(w[1], -10.0f);
    w -= v;
    EXPECT_EQ(w[1], -5.0f);
}

TEST(MatrixOps, TransposeProductAndLayout) {
    Matrix m(3, 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) m(i, j) = static_cast<float>(10 * i + j);
    EXPECT_EQ(m.data()[1 * 3 + 2], 21.0f);  // column-major
    const Matrix t = m.transposed();
    ASSERT_EQ(t.rows(), 2);
    ASSERT_EQ(t.columns(), 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_EQ(t(j, i), m(i, j));
    const Matrix p = t * m;  // 2 x 2: sum_i m(i,a) m(i,b)
    EXPECT_EQ(p(0, 1), 0 * 1 + 10 * 11 + 20 * 21);
    Vector x(2);
    x[0] = 1, x[1] = 2;
    const Vector y = m * x;
    EXPECT_EQ(y[2], 20 + 2 * 21);
    EXPECT_EQ((-m)(2, 1), -21.0f);
    Matrix r(3, 2, 0.0f);
    const float* before = r.data();
    r.replace(m);
    EXPECT_EQ(r.data(), before);
    EXPECT_EQ(r(1, 1), 11.0f);
}
