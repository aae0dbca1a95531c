#include "distortion/core/filtering.h"

#include "distortion/core/errors.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace distortion::core {
namespace {

constexpr unsigned kFftEstimate = 64;
constexpr int kPad = 7;

// The index range of one axis that a kernel fills: about six widths
// around the centre, the whole axis for wide kernels.
std::array<int, 2> filledRange(int n, double s) {
    const double m = n / 2.0 - 0.5;
    double h = m;
    if (h > 6.0 * s + 1.0) h = h - (std::trunc(m) - std::trunc(6.0 * s));
    return {static_cast<int>(std::trunc(m - h)), static_cast<int>(std::trunc(m + h))};
}

int placed(int i, int n, bool centred) {
    if (!centred) return i;
    return (i + static_cast<int>(std::trunc(n / 2.0 + 0.5))) % n;
}

// Owns one FFT buffer or plan for the length of a call.
class FftBuffer {
public:
    FftBuffer(const FftApi& fft, std::size_t complexCount) : fft_(fft) {
        p_ = static_cast<FftComplex*>(fft.malloc(complexCount * sizeof(FftComplex)));
        if (!p_)
            throw std::runtime_error("the Fourier transform could not allocate a buffer of " +
                                     std::to_string(complexCount * sizeof(FftComplex)) + " bytes");
    }
    ~FftBuffer() { release(); }
    FftBuffer(const FftBuffer&) = delete;
    FftBuffer& operator=(const FftBuffer&) = delete;
    FftComplex* get() const { return p_; }
    void release() {
        if (p_) fft_.free(p_);
        p_ = nullptr;
    }

private:
    const FftApi& fft_;
    FftComplex* p_ = nullptr;
};

void runPlan(const FftApi& fft, FftPlan plan, const Dimensions& d) {
    if (!plan)
        throw std::runtime_error("the Fourier transform of a " + std::to_string(d[0]) + " x " +
                                 std::to_string(d[1]) + " x " + std::to_string(d[2]) +
                                 " volume could not be planned");
    fft.execute(plan);
    fft.destroyPlan(plan);
}

}  // namespace

std::vector<double> gaussianKernel1d(int n, double s, int order) {
    std::vector<double> k(static_cast<std::size_t>(n > 0 ? n : 0));
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < n; ++i) {
        const double x = i - std::floor(n / 2.0);
        double v = std::exp(-x * x / (2.0 * s * s)) / (std::sqrt(2.0 * pi) * s);
        if (order == 1)
            v *= -x / (s * s);
        else if (order == 2)
            v *= (x * x - s * s) / (s * s * s * s);
        k[static_cast<std::size_t>(i)] = v;
    }
    return k;
}

Volume gaussianKernel3d(const std::array<int, 3>& dims, const std::array<double, 3>& widths,
                        const std::array<int, 3>& orders, bool centredAtOrigin) {
    std::array<std::vector<double>, 3> k;
    std::array<std::array<int, 2>, 3> range;
    for (int a = 0; a < 3; ++a) {
        k[a] = gaussianKernel1d(dims[a], widths[a], orders[a]);
        range[a] = filledRange(dims[a], widths[a]);
    }
    Volume vol(dims[0], dims[1], dims[2], 0.0f);
    for (int z = range[2][0]; z <= range[2][1]; ++z)
        for (int y = range[1][0]; y <= range[1][1]; ++y)
            for (int x = range[0][0]; x <= range[0][1]; ++x)
                vol(placed(x, dims[0], centredAtOrigin), placed(y, dims[1], centredAtOrigin),
                    placed(z, dims[2], centredAtOrigin)) = static_cast<float>(k[0][x] * k[1][y] * k[2][z]);
    return vol;
}

Matrix gaussianKernel2d(const std::array<int, 2>& dims, const std::array<double, 2>& widths,
                        const std::array<int, 2>& orders, bool centredAtOrigin) {
    std::array<std::vector<double>, 2> k;
    std::array<std::array<int, 2>, 2> range;
    for (int a = 0; a < 2; ++a) {
        k[a] = gaussianKernel1d(dims[a], widths[a], orders[a]);
        range[a] = filledRange(dims[a], widths[a]);
    }
    Matrix m(dims[0], dims[1], 0.0f);
    for (int j = range[1][0]; j <= range[1][1]; ++j)
        for (int i = range[0][0]; i <= range[0][1]; ++i)
            m(placed(i, dims[0], centredAtOrigin), placed(j, dims[1], centredAtOrigin)) =
                static_cast<float>(k[0][i] * k[1][j]);
    return m;
}

void fftConvolve(const FftApi& fft, Volume& input, const Volume& kernel) {
    MIREL_ASSERT(input.dimensions() == kernel.dimensions());
    const int nx = input.nx(), ny = input.ny(), nz = input.nz();
    const std::size_t count = static_cast<std::size_t>(nz) * ny * (nx / 2 + 1);
    FftBuffer kernelSpectrum(fft, count), inputSpectrum(fft, count), product(fft, count);
    // The planner may write into its input only under flags we never pass; the
    // kernel's values are left intact.
    runPlan(fft,
            fft.planR2c3d(nz, ny, nx, const_cast<float*>(kernel.data()), kernelSpectrum.get(), kFftEstimate),
            input.dimensions());
    runPlan(fft, fft.planR2c3d(nz, ny, nx, input.data(), inputSpectrum.get(), kFftEstimate),
            input.dimensions());
    const float scale = 1.0f / (static_cast<float>(nx) * ny * nz);
    FftComplex* k = kernelSpectrum.get();
    FftComplex* s = inputSpectrum.get();
    FftComplex* p = product.get();
    for (std::size_t i = 0; i < count; ++i) {
        p[i][0] = (k[i][0] * s[i][0] - k[i][1] * s[i][1]) * scale;
        p[i][1] = (k[i][0] * s[i][1] + k[i][1] * s[i][0]) * scale;
    }
    kernelSpectrum.release();
    inputSpectrum.release();
    runPlan(fft, fft.planC2r3d(nz, ny, nx, product.get(), input.data(), kFftEstimate), input.dimensions());
}

void gaussianFilter(const FftApi& fft, Volume& vol, const std::array<double, 3>& widths,
                    const std::array<int, 3>& orders, bool padding) {
    if (!padding) {
        const Volume kernel = gaussianKernel3d(vol.dimensions(), widths, orders, true);
        fftConvolve(fft, vol, kernel);
        return;
    }
    const int nx = vol.nx(), ny = vol.ny(), nz = vol.nz();
    Volume padded(nx + 2 * kPad, ny + 2 * kPad, nz + 2 * kPad);
    auto clampTo = [](int v, int n) { return v < 0 ? 0 : (v >= n ? n - 1 : v); };
    for (int z = 0; z < padded.nz(); ++z)
        for (int y = 0; y < padded.ny(); ++y)
            for (int x = 0; x < padded.nx(); ++x)
                padded(x, y, z) = vol(clampTo(x - kPad, nx), clampTo(y - kPad, ny), clampTo(z - kPad, nz));
    const Volume kernel = gaussianKernel3d(padded.dimensions(), widths, orders, true);
    fftConvolve(fft, padded, kernel);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) vol(x, y, z) = padded(x + kPad, y + kPad, z + kPad);
}

void weightedSmooth(Volume& map, const Volume& kernel, const Volume& weight, bool normalise) {
    const int kx = kernel.nx(), ky = kernel.ny(), kz = kernel.nz();
    const int cx = kx / 2, cy = ky / 2, cz = kz / 2;
    const int nx = map.nx(), ny = map.ny(), nz = map.nz();
    Volume out(map.dimensions());
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                float num = 0.0f, den = 0.0f;
                for (int qz = 0; qz < kz; ++qz) {
                    const int sz = z + qz - cz;
                    if (sz < 0 || sz >= nz) continue;
                    for (int qy = 0; qy < ky; ++qy) {
                        const int sy = y + qy - cy;
                        if (sy < 0 || sy >= ny) continue;
                        for (int qx = 0; qx < kx; ++qx) {
                            const int sx = x + qx - cx;
                            if (sx < 0 || sx >= nx) continue;
                            const float w = weight(sx, sy, sz);
                            if (w == 0.0f) continue;
                            const float kw = kernel(qx, qy, qz) * w;
                            num += kw * map(sx, sy, sz);
                            den += kw;
                        }
                    }
                }
                out(x, y, z) = (normalise && den > 0.0f) ? num / den : num;
            }
    map = std::move(out);
}

namespace {

// One 1-D pass along `axis` of a zero-padded convolution, centre n/2.
void convolveAxis(std::vector<double>& v, const Dimensions& d, int axis, const std::vector<double>& k,
                  std::vector<double>& out) {
    const std::size_t stride[3] = {1, static_cast<std::size_t>(d[0]), static_cast<std::size_t>(d[0]) * d[1]};
    const int n = d[axis], taps = static_cast<int>(k.size()), c = taps / 2;
    const int o1 = (axis + 1) % 3, o2 = (axis + 2) % 3;
    out.assign(v.size(), 0.0);
    for (int a = 0; a < d[o1]; ++a)
        for (int b = 0; b < d[o2]; ++b) {
            const std::size_t base = a * stride[o1] + b * stride[o2];
            for (int i = 0; i < n; ++i) {
                double sum = 0.0;
                const int q0 = std::max(0, c - i), q1 = std::min(taps - 1, n - 1 - i + c);
                for (int q = q0; q <= q1; ++q)
                    sum += k[static_cast<std::size_t>(q)] * v[base + (i + q - c) * stride[axis]];
                out[base + i * stride[axis]] = sum;
            }
        }
    v.swap(out);
}

}  // namespace

void weightedSmoothSeparable(Volume& map, const std::array<std::vector<double>, 3>& kernels,
                             const Volume& weight, bool normalise) {
    const Dimensions d = map.dimensions();
    std::vector<double> num(map.size()), den(map.size()), tmp;
    for (std::size_t i = 0; i < map.size(); ++i) {
        den[i] = weight[i];
        num[i] = static_cast<double>(weight[i]) * map[i];
    }
    for (int axis = 0; axis < 3; ++axis) {
        convolveAxis(num, d, axis, kernels[static_cast<std::size_t>(axis)], tmp);
        convolveAxis(den, d, axis, kernels[static_cast<std::size_t>(axis)], tmp);
    }
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<float>((normalise && den[i] > 0.0) ? num[i] / den[i] : num[i]);
}

void weightedSmooth(Matrix& map, const Matrix& kernel, const Matrix& weight, bool normalise) {
    const int kr = kernel.rows(), kc = kernel.columns();
    const int cr = kr / 2, cc = kc / 2;
    const int nr = map.rows(), nc = map.columns();
    Matrix out(nr, nc);
    for (int j = 0; j < nc; ++j)
        for (int i = 0; i < nr; ++i) {
            float num = 0.0f, den = 0.0f;
            bool anyWeight = false;
            for (int qj = 0; qj < kc; ++qj) {
                const int sj = j + qj - cc;
                if (sj < 0 || sj >= nc) continue;
                for (int qi = 0; qi < kr; ++qi) {
                    const int si = i + qi - cr;
                    if (si < 0 || si >= nr) continue;
                    const float w = weight(si, sj);
                    if (w == 0.0f) continue;
                    anyWeight = true;
                    const float kw = kernel(qi, qj) * w;
                    num += kw * map(si, sj);
                    den += kw;
                }
            }
            if (!anyWeight)
                out(i, j) = map(i, j);
            else
                out(i, j) = (normalise && den > 0.0f) ? num / den : num;
        }
    map.replace(out);
}

}  // namespace distortion::core
