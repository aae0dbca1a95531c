// The host's numeric services for the distortion plug-in: single-precision
// 3-D Fourier transforms (FFTW3 behind an FFTW-style interface with its own
// allocator) and BLAS-style matrix products (CBLAS).
#include "host/services/host_exports.h"

#include <cblas.h>
#include <fftw3.h>

#include <cstddef>

TALVORA_HOST_EXPORT void* tl_fftwf_malloc(std::size_t bytes) {
    return fftwf_malloc(bytes);
}
TALVORA_HOST_EXPORT void tl_fftwf_free(void* p) {
    fftwf_free(p);
}
TALVORA_HOST_EXPORT fftwf_plan tl_fftwf_plan_dft_r2c_3d(int n0, int n1, int n2, float* in, fftwf_complex* out,
                                                        unsigned flags) {
    return fftwf_plan_dft_r2c_3d(n0, n1, n2, in, out, flags);
}
TALVORA_HOST_EXPORT fftwf_plan tl_fftwf_plan_dft_c2r_3d(int n0, int n1, int n2, fftwf_complex* in, float* out,
                                                        unsigned flags) {
    return fftwf_plan_dft_c2r_3d(n0, n1, n2, in, out, flags);
}
TALVORA_HOST_EXPORT void tl_fftwf_execute(fftwf_plan plan) {
    fftwf_execute(plan);
}
TALVORA_HOST_EXPORT void tl_fftwf_destroy_plan(fftwf_plan plan) {
    fftwf_destroy_plan(plan);
}

// C = alpha * op(A) * op(B) + beta * C, row-major, as cblas_?gemm.
TALVORA_HOST_EXPORT void tl_matrix_matrix_mult_f(int transA, int transB, int m, int n, int k, float alpha,
                                                 const float* a, int lda, const float* b, int ldb, float beta,
                                                 float* c, int ldc) {
    cblas_sgemm(CblasRowMajor, transA ? CblasTrans : CblasNoTrans, transB ? CblasTrans : CblasNoTrans, m, n,
                k, alpha, a, lda, b, ldb, beta, c, ldc);
}
TALVORA_HOST_EXPORT void tl_matrix_matrix_mult_d(int transA, int transB, int m, int n, int k, double alpha,
                                                 const double* a, int lda, const double* b, int ldb,
                                                 double beta, double* c, int ldc) {
    cblas_dgemm(CblasRowMajor, transA ? CblasTrans : CblasNoTrans, transB ? CblasTrans : CblasNoTrans, m, n,
                k, alpha, a, lda, b, ldb, beta, c, ldc);
}
// y = alpha * op(A) * x + beta * y, row-major, as cblas_?gemv.
TALVORA_HOST_EXPORT void tl_matrix_vector_mult_f(int transA, int m, int n, float alpha, const float* a,
                                                 int lda, const float* x, float beta, float* y) {
    cblas_sgemv(CblasRowMajor, transA ? CblasTrans : CblasNoTrans, m, n, alpha, a, lda, x, 1, beta, y, 1);
}
TALVORA_HOST_EXPORT void tl_matrix_vector_mult_d(int transA, int m, int n, double alpha, const double* a,
                                                 int lda, const double* x, double beta, double* y) {
    cblas_dgemv(CblasRowMajor, transA ? CblasTrans : CblasNoTrans, m, n, alpha, a, lda, x, 1, beta, y, 1);
}
