// Gaussian kernels, FFT convolution with replicated borders, and
// normalised (weighted) convolution for smoothing under a weight mask.
#pragma once

#include "distortion/core/containers.h"
#include "distortion/core/fft_api.h"

#include <array>
#include <vector>

namespace distortion::core {

// n values of a sampled Gaussian of width s (standard deviation, voxels) or
// of its first or second derivative; any other order is the plain Gaussian.
std::vector<double> gaussianKernel1d(int n, double s, int order);

Volume gaussianKernel3d(const std::array<int, 3>& dims, const std::array<double, 3>& widths,
                        const std::array<int, 3>& orders, bool centredAtOrigin);
Matrix gaussianKernel2d(const std::array<int, 2>& dims, const std::array<double, 2>& widths,
                        const std::array<int, 2>& orders, bool centredAtOrigin);

// Replaces `input` by its circular convolution with `kernel` (centre at
// index 0). Throws std::runtime_error when a buffer or plan cannot be made.
void fftConvolve(const FftApi& fft, Volume& input, const Volume& kernel);

// Replaces `vol` by its Gaussian-filtered version; with padding the borders
// are replicated 7 voxels outwards first.
void gaussianFilter(const FftApi& fft, Volume& vol, const std::array<double, 3>& widths,
                    const std::array<int, 3>& orders, bool padding);

void weightedSmooth(Volume& map, const Volume& kernel, const Volume& weight, bool normalise);
// The same for a kernel that is the product of three 1-D kernels (odd
// lengths), as three 1-D passes; agrees with the 3-D form up to rounding.
void weightedSmoothSeparable(Volume& map, const std::array<std::vector<double>, 3>& kernels,
                             const Volume& weight, bool normalise);
void weightedSmooth(Matrix& map, const Matrix& kernel, const Matrix& weight, bool normalise);

}  // namespace distortion::core
