#include "host/services/portable_fft.h"

#include <cmath>

namespace talvora::services::fft {
namespace {

const double kPi = std::acos(-1.0);

bool isPowerOfTwo(std::size_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

}  // namespace

Line::Line(std::size_t n) : n_(n), powerOfTwo_(isPowerOfTwo(n)) {
    if (powerOfTwo_ || n < 2) return;
    m_ = 1;
    while (m_ < 2 * n - 1) m_ *= 2;
    chirp_.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        // j^2 mod 2n keeps the angle small, so large n lose no precision.
        const std::size_t jj = (j * j) % (2 * n);
        chirp_[j] = std::polar(1.0, -kPi * static_cast<double>(jj) / static_cast<double>(n));
    }
    chirpFft_.assign(m_, Complex(0, 0));
    chirpFft_[0] = std::conj(chirp_[0]);
    for (std::size_t j = 1; j < n; ++j) chirpFft_[j] = chirpFft_[m_ - j] = std::conj(chirp_[j]);
    radix2(chirpFft_, -1);
}

void Line::radix2(std::vector<Complex>& a, int sign) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = sign * 2 * kPi / static_cast<double>(len);
        for (std::size_t start = 0; start < n; start += len)
            for (std::size_t k = 0; k < len / 2; ++k) {
                // Each twiddle from its own angle: no error build-up along the stage.
                const Complex w = std::polar(1.0, angle * static_cast<double>(k));
                const Complex u = a[start + k], v = a[start + k + len / 2] * w;
                a[start + k] = u + v;
                a[start + k + len / 2] = u - v;
            }
    }
}

void Line::transform(Complex* data, int sign) const {
    if (n_ < 2) return;
    if (powerOfTwo_) {
        std::vector<Complex> a(data, data + n_);
        radix2(a, sign);
        for (std::size_t i = 0; i < n_; ++i) data[i] = a[i];
        return;
    }
    // Bluestein: jk = (j^2 + k^2 - (k - j)^2) / 2 turns the DFT into a
    // convolution with a chirp, done by power-of-two transforms. The backward
    // transform is the conjugate of the forward one of the conjugate input.
    std::vector<Complex> a(m_, Complex(0, 0));
    for (std::size_t j = 0; j < n_; ++j) a[j] = (sign < 0 ? data[j] : std::conj(data[j])) * chirp_[j];
    radix2(a, -1);
    for (std::size_t i = 0; i < m_; ++i) a[i] *= chirpFft_[i];
    radix2(a, +1);
    const double scale = 1.0 / static_cast<double>(m_);
    for (std::size_t k = 0; k < n_; ++k) {
        const Complex x = a[k] * scale * chirp_[k];
        data[k] = sign < 0 ? x : std::conj(x);
    }
}

Real3d::Real3d(int n0, int n1, int n2)
    : n0_(n0),
      n1_(n1),
      n2_(n2),
      line0_(static_cast<std::size_t>(n0)),
      line1_(static_cast<std::size_t>(n1)),
      line2_(static_cast<std::size_t>(n2)) {}

void Real3d::transformAll(std::vector<Complex>& grid, int sign) const {
    const std::size_t a = n0_, b = n1_, c = n2_;
    for (std::size_t i = 0; i < a * b; ++i) line2_.transform(&grid[i * c], sign);
    std::vector<Complex> line(std::max(a, b));
    for (std::size_t i = 0; i < a; ++i)
        for (std::size_t k = 0; k < c; ++k) {
            for (std::size_t j = 0; j < b; ++j) line[j] = grid[(i * b + j) * c + k];
            line1_.transform(line.data(), sign);
            for (std::size_t j = 0; j < b; ++j) grid[(i * b + j) * c + k] = line[j];
        }
    for (std::size_t j = 0; j < b; ++j)
        for (std::size_t k = 0; k < c; ++k) {
            for (std::size_t i = 0; i < a; ++i) line[i] = grid[(i * b + j) * c + k];
            line0_.transform(line.data(), sign);
            for (std::size_t i = 0; i < a; ++i) grid[(i * b + j) * c + k] = line[i];
        }
}

void Real3d::forward(const float* in, float (*out)[2]) const {
    const std::size_t a = n0_, b = n1_, c = n2_, h = c / 2 + 1;
    std::vector<Complex> grid(a * b * c);
    for (std::size_t i = 0; i < grid.size(); ++i) grid[i] = Complex(in[i], 0.0);
    transformAll(grid, -1);
    for (std::size_t ij = 0; ij < a * b; ++ij)
        for (std::size_t k = 0; k < h; ++k) {
            out[ij * h + k][0] = static_cast<float>(grid[ij * c + k].real());
            out[ij * h + k][1] = static_cast<float>(grid[ij * c + k].imag());
        }
}

void Real3d::backward(const float (*in)[2], float* out) const {
    const std::size_t a = n0_, b = n1_, c = n2_, h = c / 2 + 1;
    std::vector<Complex> grid(a * b * c);
    for (std::size_t i = 0; i < a; ++i)
        for (std::size_t j = 0; j < b; ++j)
            for (std::size_t k = 0; k < c; ++k) {
                Complex v;
                if (k < h) {
                    v = Complex(in[(i * b + j) * h + k][0], in[(i * b + j) * h + k][1]);
                } else {
                    // The other half of a real signal's spectrum: X[-i, -j, -k]*.
                    const std::size_t mi = (a - i) % a, mj = (b - j) % b, mk = c - k;
                    v = std::conj(Complex(in[(mi * b + mj) * h + mk][0], in[(mi * b + mj) * h + mk][1]));
                }
                grid[(i * b + j) * c + k] = v;
            }
    transformAll(grid, +1);
    for (std::size_t i = 0; i < grid.size(); ++i) out[i] = static_cast<float>(grid[i].real());
}

}  // namespace talvora::services::fft
