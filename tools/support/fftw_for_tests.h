#pragma once
#include "distortion/core/fft_api.h"

// FFTW itself behind the interface the host offers.
const distortion::core::FftApi& fftwForTests();
