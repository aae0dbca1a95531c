// The single-precision 3-D Fourier transforms the filtering runs on, with
// FFTW's own signatures: the plug-in fills this from the host's services,
// tests from FFTW directly.
#pragma once

#include <cstddef>

struct fftwf_plan_s;

namespace distortion::core {

using FftPlan = fftwf_plan_s*;
using FftComplex = float[2];

struct FftApi {
    void* (*malloc)(std::size_t bytes) = nullptr;
    void (*free)(void* p) = nullptr;
    FftPlan (*planR2c3d)(int n0, int n1, int n2, float* in, FftComplex* out, unsigned flags) = nullptr;
    FftPlan (*planC2r3d)(int n0, int n1, int n2, FftComplex* in, float* out, unsigned flags) = nullptr;
    void (*execute)(FftPlan plan) = nullptr;
    void (*destroyPlan)(FftPlan plan) = nullptr;
};

}  // namespace distortion::core
