// A small discrete Fourier transform for the host's numeric services where
// FFTW is not available: 1-D complex transforms of any length (radix 2, or
// Bluestein's chirp z-transform over a power-of-two length), and the 3-D
// real-to-half-complex pair with FFTW's layout and scaling.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace talvora::services::fft {

using Complex = std::complex<double>;

// Unnormalised DFT of length n: X[k] = sum_j x[j] exp(sign * 2 pi i j k / n).
class Line {
public:
    explicit Line(std::size_t n);
    std::size_t size() const { return n_; }
    // Transforms `data` (n values) in place; sign -1 forward, +1 backward.
    void transform(Complex* data, int sign) const;

private:
    static void radix2(std::vector<Complex>& a, int sign);
    std::size_t n_;
    bool powerOfTwo_;
    std::size_t m_ = 0;              // Bluestein: padded length
    std::vector<Complex> chirp_;     // exp(-i pi j^2 / n), j < n
    std::vector<Complex> chirpFft_;  // radix-2 transform of the conjugate chirp filter
};

// FFTW's r2c/c2r 3-D pair on a row-major n0 x n1 x n2 grid: the half-complex
// side holds n0 x n1 x (n2 / 2 + 1) values; neither direction is scaled.
class Real3d {
public:
    Real3d(int n0, int n1, int n2);
    void forward(const float* in, float (*out)[2]) const;
    // The input's imaginary parts that a real signal cannot have are ignored.
    void backward(const float (*in)[2], float* out) const;

private:
    void transformAll(std::vector<Complex>& grid, int sign) const;
    int n0_, n1_, n2_;
    Line line0_, line1_, line2_;
};

}  // namespace talvora::services::fft
