// The host's BLAS services (tl_matrix_*) against literal sums, and the BLAS
// behind them: it must run in the caller's thread and start none of its own,
// since every host process would otherwise keep a second core busy.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

// The exported functions as the distortion plug-in calls them.
extern "C" {
void tl_matrix_matrix_mult_f(int transA, int transB, int m, int n, int k, float alpha, const float* a,
                             int lda, const float* b, int ldb, float beta, float* c, int ldc);
void tl_matrix_matrix_mult_d(int transA, int transB, int m, int n, int k, double alpha, const double* a,
                             int lda, const double* b, int ldb, double beta, double* c, int ldc);
void tl_matrix_vector_mult_f(int transA, int m, int n, float alpha, const float* a, int lda, const float* x,
                             float beta, float* y);
void tl_matrix_vector_mult_d(int transA, int m, int n, double alpha, const double* a, int lda,
                             const double* x, double beta, double* y);
}

namespace {

// Small integers: every product and sum below is exact in float and double.
template <typename T>
std::vector<T> integerMatrix(int rows, int cols, int seed) {
    std::vector<T> m(static_cast<std::size_t>(rows) * cols);
    for (std::size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<T>(static_cast<int>((i * 7 + seed * 3) % 11) - 5);
    return m;
}

// Element (r, c) of op(M) for a row-major M with leading dimension ld.
template <typename T>
T opAt(const std::vector<T>& m, int ld, bool trans, int r, int c) {
    return trans ? m[static_cast<std::size_t>(c) * ld + r] : m[static_cast<std::size_t>(r) * ld + c];
}

template <typename T, typename Gemm>
void checkGemm(Gemm gemm) {
    const int m = 3, n = 4, k = 5;
    const T alpha = 2, beta = -1;
    for (int transA = 0; transA < 2; ++transA) {
        for (int transB = 0; transB < 2; ++transB) {
            // Stored shapes and leading dimensions one wider than needed, so
            // a mixed-up lda or ldb reads the wrong elements.
            const int aRows = transA ? k : m, aCols = transA ? m : k, lda = aCols + 1;
            const int bRows = transB ? n : k, bCols = transB ? k : n, ldb = bCols + 1;
            const int ldc = n + 1;
            const std::vector<T> a = integerMatrix<T>(aRows, lda, 1);
            const std::vector<T> b = integerMatrix<T>(bRows, ldb, 2);
            std::vector<T> c = integerMatrix<T>(m, ldc, 3);
            std::vector<T> expected = c;
            for (int r = 0; r < m; ++r) {
                for (int col = 0; col < n; ++col) {
                    T sum = 0;
                    for (int i = 0; i < k; ++i)
                        sum += opAt(a, lda, transA, r, i) * opAt(b, ldb, transB, i, col);
                    T& e = expected[static_cast<std::size_t>(r) * ldc + col];
                    e = alpha * sum + beta * e;
                }
            }
            gemm(transA, transB, m, n, k, alpha, a.data(), lda, b.data(), ldb, beta, c.data(), ldc);
            EXPECT_EQ(c, expected) << "transA " << transA << " transB " << transB;
        }
    }
}

template <typename T, typename Gemv>
void checkGemv(Gemv gemv) {
    const int m = 3, n = 4, lda = n + 1;
    const T alpha = 3, beta = 0.5;
    const std::vector<T> a = integerMatrix<T>(m, lda, 4);
    for (int trans = 0; trans < 2; ++trans) {
        const int xLen = trans ? m : n, yLen = trans ? n : m;
        const std::vector<T> x = integerMatrix<T>(1, xLen, 5);
        std::vector<T> y = integerMatrix<T>(1, yLen, 6);
        std::vector<T> expected = y;
        for (int r = 0; r < yLen; ++r) {
            T sum = 0;
            for (int i = 0; i < xLen; ++i)
                sum += (trans ? a[static_cast<std::size_t>(i) * lda + r]
                              : a[static_cast<std::size_t>(r) * lda + i]) *
                       x[i];
            expected[r] = alpha * sum + beta * expected[r];
        }
        gemv(trans, m, n, alpha, a.data(), lda, x.data(), beta, y.data());
        EXPECT_EQ(y, expected) << "trans " << trans;
    }
}

int threadsOfThisProcess() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

}  // namespace

TEST(HostBlasServices, MatrixProductsMatchLiteralSums) {
    checkGemm<double>(tl_matrix_matrix_mult_d);
    checkGemm<float>(tl_matrix_matrix_mult_f);
}

TEST(HostBlasServices, MatrixVectorProductsMatchLiteralSums) {
    checkGemv<double>(tl_matrix_vector_mult_d);
    checkGemv<float>(tl_matrix_vector_mult_f);
}

TEST(HostBlasServices, RunInTheCallersThreadOnly) {
    // A product large enough for a threaded BLAS to split it; a threaded
    // OpenBLAS has started its threads by the time it returns (at load).
    const int n = 256;
    const std::vector<double> a(static_cast<std::size_t>(n) * n, 1.0);
    std::vector<double> c(a.size(), 0.0);
    tl_matrix_matrix_mult_d(0, 0, n, n, n, 1.0, a.data(), n, a.data(), n, 0.0, c.data(), n);
    ASSERT_EQ(c.front(), n);
    EXPECT_EQ(threadsOfThisProcess(), 1);
    // On a machine with one core a threaded OpenBLAS starts no thread
    // either, but it still says what it is: 0 sequential, 1 pthreads, 2 OpenMP.
    using GetParallel = int (*)();
    if (auto getParallel = reinterpret_cast<GetParallel>(dlsym(RTLD_DEFAULT, "openblas_get_parallel"))) {
        EXPECT_EQ(getParallel(), 0);
    }
}
