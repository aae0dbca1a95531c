// The host's numeric services where no FFTW or BLAS library is at hand (the
// Windows build): the same exported functions and the same meaning as the
// FFTW/CBLAS-backed ones. Transforms work in double precision internally,
// so results agree with FFTW's single-precision ones to float rounding.
#include "host/services/host_exports.h"
#include "host/services/portable_fft.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

struct Plan {
    talvora::services::fft::Real3d transform;
    bool forward;
    float* real;
    float (*half)[2];
};

}  // namespace

// Plans and buffers are the caller's to free through the functions below.
TALVORA_HOST_EXPORT void* tl_fftwf_malloc(std::size_t bytes) {
    // 64-byte alignment, as FFTW's allocator gives for its SIMD code.
    return ::operator new(bytes == 0 ? 1 : bytes, std::align_val_t(64), std::nothrow);
}
TALVORA_HOST_EXPORT void tl_fftwf_free(void* p) {
    if (p) ::operator delete(p, std::align_val_t(64));
}
TALVORA_HOST_EXPORT void* tl_fftwf_plan_dft_r2c_3d(int n0, int n1, int n2, float* in, float (*out)[2],
                                                   unsigned) {
    if (n0 < 1 || n1 < 1 || n2 < 1 || !in || !out) return nullptr;
    return new (std::nothrow) Plan{talvora::services::fft::Real3d(n0, n1, n2), true, in, out};
}
TALVORA_HOST_EXPORT void* tl_fftwf_plan_dft_c2r_3d(int n0, int n1, int n2, float (*in)[2], float* out,
                                                   unsigned) {
    if (n0 < 1 || n1 < 1 || n2 < 1 || !in || !out) return nullptr;
    return new (std::nothrow) Plan{talvora::services::fft::Real3d(n0, n1, n2), false, out, in};
}
TALVORA_HOST_EXPORT void tl_fftwf_execute(void* plan) {
    auto* p = static_cast<Plan*>(plan);
    if (!p) return;
    if (p->forward)
        p->transform.forward(p->real, p->half);
    else
        p->transform.backward(p->half, p->real);
}
TALVORA_HOST_EXPORT void tl_fftwf_destroy_plan(void* plan) {
    delete static_cast<Plan*>(plan);
}

namespace {

// Element (i, j) of op(M) for a row-major M with leading dimension ld.
template <class T>
T at(const T* m, int ld, bool transposed, int i, int j) {
    return transposed ? m[static_cast<std::size_t>(j) * ld + i] : m[static_cast<std::size_t>(i) * ld + j];
}

template <class T>
void gemm(int transA, int transB, int m, int n, int k, T alpha, const T* a, int lda, const T* b, int ldb,
          T beta, T* c, int ldc) {
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            T sum = 0;
            for (int l = 0; l < k; ++l) sum += at(a, lda, transA != 0, i, l) * at(b, ldb, transB != 0, l, j);
            T& out = c[static_cast<std::size_t>(i) * ldc + j];
            // As BLAS: with beta zero, C is not read (it may hold garbage).
            out = beta == T(0) ? alpha * sum : alpha * sum + beta * out;
        }
}

// op(A) is m x n when not transposed, n x m when transposed.
template <class T>
void gemv(int transA, int m, int n, T alpha, const T* a, int lda, const T* x, T beta, T* y) {
    const int rows = transA ? n : m, cols = transA ? m : n;
    for (int i = 0; i < rows; ++i) {
        T sum = 0;
        for (int j = 0; j < cols; ++j) sum += at(a, lda, transA != 0, i, j) * x[j];
        y[i] = beta == T(0) ? alpha * sum : alpha * sum + beta * y[i];
    }
}

}  // namespace

// C = alpha * op(A) * op(B) + beta * C, row-major, as cblas_?gemm.
TALVORA_HOST_EXPORT void tl_matrix_matrix_mult_f(int transA, int transB, int m, int n, int k, float alpha,
                                                 const float* a, int lda, const float* b, int ldb, float beta,
                                                 float* c, int ldc) {
    gemm(transA, transB, m, n, k, alpha, a, lda, b, ldb, beta, c, ldc);
}
TALVORA_HOST_EXPORT void tl_matrix_matrix_mult_d(int transA, int transB, int m, int n, int k, double alpha,
                                                 const double* a, int lda, const double* b, int ldb,
                                                 double beta, double* c, int ldc) {
    gemm(transA, transB, m, n, k, alpha, a, lda, b, ldb, beta, c, ldc);
}
// y = alpha * op(A) * x + beta * y, row-major, as cblas_?gemv.
TALVORA_HOST_EXPORT void tl_matrix_vector_mult_f(int transA, int m, int n, float alpha, const float* a,
                                                 int lda, const float* x, float beta, float* y) {
    gemv(transA, m, n, alpha, a, lda, x, beta, y);
}
TALVORA_HOST_EXPORT void tl_matrix_vector_mult_d(int transA, int m, int n, double alpha, const double* a,
                                                 int lda, const double* x, double beta, double* y) {
    gemv(transA, m, n, alpha, a, lda, x, beta, y);
}
