// The host's portable numeric services (the Windows build's, without FFTW
// or BLAS) against a literal DFT, FFTW itself and literal matrix products.
#include "host/services/portable_fft.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// The exported functions as the distortion plug-in calls them.
extern "C" {
void* tl_fftwf_malloc(std::size_t bytes);
void tl_fftwf_free(void* p);
void* tl_fftwf_plan_dft_r2c_3d(int n0, int n1, int n2, float* in, float (*out)[2], unsigned flags);
void* tl_fftwf_plan_dft_c2r_3d(int n0, int n1, int n2, float (*in)[2], float* out, unsigned flags);
void tl_fftwf_execute(void* plan);
void tl_fftwf_destroy_plan(void* plan);
void tl_matrix_matrix_mult_f(int transA, int transB, int m, int n, int k, float alpha, const float* a,
                             int lda, const float* b, int ldb, float beta, float* c, int ldc);
void tl_matrix_matrix_mult_d(int transA, int transB, int m, int n, int k, double alpha, const double* a,
                             int lda, const double* b, int ldb, double beta, double* c, int ldc);
void tl_matrix_vector_mult_d(int transA, int m, int n, double alpha, const double* a, int lda,
                             const double* x, double beta, double* y);
}

namespace {

using talvora::services::fft::Complex;

std::vector<Complex> literalDft(const std::vector<Complex>& x, int sign) {
    const std::size_t n = x.size();
    std::vector<Complex> out(n);
    const double pi = std::acos(-1.0);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t j = 0; j < n; ++j)
            out[k] += x[j] * std::polar(1.0, sign * 2 * pi * static_cast<double>((j * k) % n) /
                                                 static_cast<double>(n));
    return out;
}

std::vector<float> randomFloats(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (float& x : v) x = u(rng);
    return v;
}

TEST(PortableFft, LinesOfEveryKindOfLengthMatchTheLiteralDft) {
    // Powers of two, primes (Bluestein) and composites; both directions.
    for (std::size_t n : {1u, 2u, 3u, 5u, 8u, 12u, 17u, 30u, 64u, 97u}) {
        const std::vector<float> re = randomFloats(n, 1 + static_cast<unsigned>(n));
        const std::vector<float> im = randomFloats(n, 100 + static_cast<unsigned>(n));
        std::vector<Complex> x(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = Complex(re[i], im[i]);
        const talvora::services::fft::Line line(n);
        for (int sign : {-1, +1}) {
            std::vector<Complex> got = x;
            line.transform(got.data(), sign);
            const std::vector<Complex> want = literalDft(x, sign);
            for (std::size_t k = 0; k < n; ++k)
                EXPECT_NEAR(std::abs(got[k] - want[k]), 0.0, 1e-9) << n << " " << k;
        }
    }
}

TEST(PortableFft, ThreeDimensionalPairEqualsFftw) {
    struct Dims {
        int n0, n1, n2;
    };
    for (Dims d : {Dims{4, 6, 8}, Dims{5, 3, 7}, Dims{1, 1, 9}, Dims{8, 1, 2}}) {
        const std::size_t real = static_cast<std::size_t>(d.n0) * d.n1 * d.n2;
        const std::size_t half = static_cast<std::size_t>(d.n0) * d.n1 * (d.n2 / 2 + 1);
        const std::vector<float> input = randomFloats(real, 7);

        std::vector<float> in(input);
        std::vector<fftwf_complex> want(half);
        fftwf_plan p = fftwf_plan_dft_r2c_3d(d.n0, d.n1, d.n2, in.data(), want.data(), FFTW_ESTIMATE);
        fftwf_execute(p);
        fftwf_destroy_plan(p);

        auto* buffer = static_cast<float*>(tl_fftwf_malloc(real * sizeof(float)));
        auto* spectrum = static_cast<float(*)[2]>(tl_fftwf_malloc(half * sizeof(float[2])));
        ASSERT_NE(buffer, nullptr);
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(buffer) % 64, 0u);
        for (std::size_t i = 0; i < real; ++i) buffer[i] = input[i];
        void* forward = tl_fftwf_plan_dft_r2c_3d(d.n0, d.n1, d.n2, buffer, spectrum, 0);
        ASSERT_NE(forward, nullptr);
        tl_fftwf_execute(forward);
        for (std::size_t i = 0; i < half; ++i) {
            EXPECT_NEAR(spectrum[i][0], want[i][0], 1e-4) << i;
            EXPECT_NEAR(spectrum[i][1], want[i][1], 1e-4) << i;
        }
        // Back again: unscaled, so the input times the number of values.
        void* backward = tl_fftwf_plan_dft_c2r_3d(d.n0, d.n1, d.n2, spectrum, buffer, 0);
        tl_fftwf_execute(backward);
        for (std::size_t i = 0; i < real; ++i)
            EXPECT_NEAR(buffer[i], input[i] * static_cast<float>(real), 1e-3) << i;
        tl_fftwf_destroy_plan(forward);
        tl_fftwf_destroy_plan(backward);
        tl_fftwf_free(buffer);
        tl_fftwf_free(spectrum);
    }
    EXPECT_EQ(tl_fftwf_plan_dft_r2c_3d(0, 4, 4, nullptr, nullptr, 0), nullptr);
}

TEST(PortableMatrix, ProductsMatchLiteralSumsWithEveryTransposition) {
    // C (2x3) = alpha op(A) op(B) + beta C, row-major with padded rows.
    const double a[] = {1, 2, 3, 9, 4, 5, 6, 9};      // 2x3, lda 4
    const double at[] = {1, 4, 9, 2, 5, 9, 3, 6, 9};  // 3x2, lda 3 (A transposed)
    const double b[] = {1, 0, 2, 1, 3, 1, 0, 2, 1};   // 3x3, ldb 3
    const double bt[] = {1, 1, 0, 0, 3, 2, 2, 1, 1};  // B transposed
    // A B = [[3, 12, 7], [9, 27, 19]]; alpha 2, beta -1 on a C of ones.
    const double want[] = {5, 23, 13, 17, 53, 37};
    struct Case {
        int transA, transB;
        const double *a, *b;
        int lda;
    };
    for (const Case& c :
         {Case{0, 0, a, b, 4}, Case{1, 0, at, b, 3}, Case{0, 1, a, bt, 4}, Case{1, 1, at, bt, 3}}) {
        double out[6] = {1, 1, 1, 1, 1, 1};
        tl_matrix_matrix_mult_d(c.transA, c.transB, 2, 3, 3, 2.0, c.a, c.lda, c.b, 3, -1.0, out, 3);
        for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(out[i], want[i]) << c.transA << c.transB << " " << i;
    }
    // beta 0: C is not read, even when it holds NaN.
    float af[] = {1, 2, 3, 4}, bf[] = {5, 6, 7, 8}, cf[] = {NAN, NAN, NAN, NAN};
    tl_matrix_matrix_mult_f(0, 0, 2, 2, 2, 1.0f, af, 2, bf, 2, 0.0f, cf, 2);
    EXPECT_FLOAT_EQ(cf[0], 19);
    EXPECT_FLOAT_EQ(cf[3], 50);
    // y = op(A) x: A 2x3, its transpose 3x2.
    const double x3[] = {1, 1, 2}, x2[] = {1, -1};
    double y2[2] = {0, 0}, y3[3] = {10, 10, 10};
    tl_matrix_vector_mult_d(0, 2, 3, 1.0, a, 4, x3, 0.0, y2);
    EXPECT_DOUBLE_EQ(y2[0], 9);
    EXPECT_DOUBLE_EQ(y2[1], 21);
    tl_matrix_vector_mult_d(1, 2, 3, 1.0, a, 4, x2, 0.5, y3);
    EXPECT_DOUBLE_EQ(y3[0], 5 - 3);
    EXPECT_DOUBLE_EQ(y3[1], 5 - 3);
    EXPECT_DOUBLE_EQ(y3[2], 5 - 3);
}

}  // namespace
