#include "distortion/core/vdm.h"

#include "distortion/core/errors.h"

#include <algorithm>
#include <cmath>

namespace distortion::core {
namespace {

const double kOff = 1.0 / 6.0, kDiag = 4.0 / 6.0;

// The elimination factors of the system (c[i-1] + 4 c[i] + c[i+1]) / 6 =
// v[i] with zeros outside, which depend only on its length: pivot[i] is the
// divisor of row i, factor[i] the multiplier of the back substitution.
void eliminationFactors(int n, std::vector<double>& factor, std::vector<double>& pivot) {
    factor.resize(static_cast<std::size_t>(n));
    pivot.resize(static_cast<std::size_t>(n));
    if (n <= 0) return;
    factor[0] = kOff / kDiag;
    pivot[0] = kDiag;
    for (std::size_t i = 1; i < static_cast<std::size_t>(n); ++i) {
        pivot[i] = kDiag - kOff * factor[i - 1];
        factor[i] = kOff / pivot[i];
    }
}

// Solves the system along one axis for `lines` neighbouring lines at once:
// element k of line position i is v[i * stride + k]. Each line sees the
// operations of a solve of its own, in the same order; running across
// lines keeps the memory access contiguous.
void solveLines(double* v, int n, std::size_t stride, std::size_t lines, const std::vector<double>& factor,
                const std::vector<double>& pivot) {
    if (n <= 0) return;
    for (std::size_t k = 0; k < lines; ++k) v[k] = v[k] / kDiag;
    for (int i = 1; i < n; ++i) {
        double* row = v + static_cast<std::size_t>(i) * stride;
        const double* previous = row - stride;
        const double m = pivot[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < lines; ++k) row[k] = (row[k] - kOff * previous[k]) / m;
    }
    for (int i = n - 2; i >= 0; --i) {
        double* row = v + static_cast<std::size_t>(i) * stride;
        const double* next = row + stride;
        const double f = factor[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < lines; ++k) row[k] -= f * next[k];
    }
}

// The same along x, where each line is contiguous: the neighbouring lines
// of one plane are solved together, so that their divisions overlap.
void solveLinesAlongX(double* v, int n, std::size_t lines, std::size_t lineStride,
                      const std::vector<double>& factor, const std::vector<double>& pivot) {
    if (n <= 0) return;
    for (std::size_t k = 0; k < lines; ++k) v[k * lineStride] = v[k * lineStride] / kDiag;
    for (int i = 1; i < n; ++i) {
        const double m = pivot[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < lines; ++k) {
            double* line = v + k * lineStride;
            line[i] = (line[i] - kOff * line[i - 1]) / m;
        }
    }
    for (int i = n - 2; i >= 0; --i) {
        const double f = factor[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < lines; ++k) {
            double* line = v + k * lineStride;
            line[i] -= f * line[i + 1];
        }
    }
}

SplineWeights splineWeights(float coordinate) {
    SplineWeights s;
    if (!(std::fabs(coordinate) < kFarOutside)) {
        s.f = -8;  // every index below is negative: nothing contributes
        s.w[0] = s.w[1] = s.w[2] = s.w[3] = 0.0;
        return s;
    }
    const float fl = std::floor(coordinate);
    s.f = static_cast<int>(fl);
    const double t = static_cast<double>(coordinate) - fl;
    const double w0 = t * t * t / 6.0;
    const double w3 = t * (t - 1.0) / 2.0 + 1.0 / 6.0 - w0;
    const double w1 = t - 2.0 * w0 + w3;
    const double w2 = 1.0 - w0 - w1 - w3;
    s.w[0] = w0, s.w[1] = w1, s.w[2] = w2, s.w[3] = w3;
    return s;
}

}  // namespace

void CubicResampler::prepare(const Volume& src) {
    prepare(src.dimensions(), [&src](std::size_t i) { return src[i]; });
}

void checkMapFits(const Volume& vdm, const Dimensions& sourceDimensions) {
    const struct {
        Dimensions d;
        Dimensions dimensions() const { return d; }
    } src{sourceDimensions};
    MIREL_ASSERT(vdm.dimensions() == src.dimensions());
}

double* CubicResampler::storage(const Dimensions& d) {
    dims_ = d;
    weightsX_.resize(static_cast<std::size_t>(d[0] > 0 ? d[0] : 0));
    for (int x = 0; x < d[0]; ++x)
        weightsX_[static_cast<std::size_t>(x)] = splineWeights(static_cast<float>(x));
    c_.resize(static_cast<std::size_t>(d[0]) * static_cast<std::size_t>(d[1]) *
              static_cast<std::size_t>(d[2]));
    return c_.data();
}

// Along z, then y, then x.
void CubicResampler::prefilter() {
    const int nx = dims_[0], ny = dims_[1], nz = dims_[2];
    const std::size_t sy = static_cast<std::size_t>(nx), sz = static_cast<std::size_t>(nx) * ny;
    eliminationFactors(nz, factor_, pivot_);
    solveLines(c_.data(), nz, sz, sz, factor_, pivot_);
    eliminationFactors(ny, factor_, pivot_);
    for (int z = 0; z < nz; ++z) solveLines(c_.data() + z * sz, ny, sy, sy, factor_, pivot_);
    eliminationFactors(nx, factor_, pivot_);
    for (int z = 0; z < nz; ++z)
        solveLinesAlongX(c_.data() + z * sz, nx, static_cast<std::size_t>(ny), sy, factor_, pivot_);
}

// A term whose weight is 0 (the outermost tap at a whole-numbered
// coordinate, which x and z always are) adds nothing and is skipped on
// every axis.
double CubicResampler::sampleAt(int x, const SplineWeights& wz, const SplineWeights& wy) const {
    const int nx = dims_[0], ny = dims_[1], nz = dims_[2];
    const SplineWeights& wx = weightsX_[static_cast<std::size_t>(x)];
    double sum = 0.0;
    for (int kz = 0; kz < 4; ++kz) {
        const int zz = wz.f + 2 - kz;
        if (zz < 0 || zz >= nz || wz.w[kz] == 0.0) continue;
        for (int ky = 0; ky < 4; ++ky) {
            const int yc = wy.f + 2 - ky;
            if (yc < 0 || yc >= ny || wy.w[ky] == 0.0) continue;
            const double wzy = wz.w[kz] * wy.w[ky];
            const double* row = &c_[(static_cast<std::size_t>(zz) * ny + yc) * nx];
            for (int kx = 0; kx < 4; ++kx) {
                const int xx = wx.f + 2 - kx;
                if (xx < 0 || xx >= nx || wx.w[kx] == 0.0) continue;
                sum += wzy * wx.w[kx] * row[xx];
            }
        }
    }
    return sum;
}

// The same terms in the same order for four voxels of a row whose taps all
// lie inside the volume: four independent sums keep the processor busy
// while each waits for its previous addition.
void CubicResampler::sampleInsideFour(int x, int z, const SplineWeights& wz, const SplineWeights wy[4],
                                      double sum[4]) const {
    const int nx = dims_[0], ny = dims_[1];
    sum[0] = sum[1] = sum[2] = sum[3] = 0.0;
    for (int kz = 1; kz < 4; ++kz) {
        const std::size_t plane = static_cast<std::size_t>(z + 2 - kz) * ny;
        for (int ky = 0; ky < 4; ++ky)
            for (int b = 0; b < 4; ++b) {
                if (wy[b].w[ky] == 0.0) continue;
                const SplineWeights& wx = weightsX_[static_cast<std::size_t>(x + b)];
                const double wzy = wz.w[kz] * wy[b].w[ky];
                const double* at = &c_[(plane + static_cast<std::size_t>(wy[b].f + 2 - ky)) * nx + x + b];
                sum[b] += wzy * wx.w[1] * at[1];
                sum[b] += wzy * wx.w[2] * at[0];
                sum[b] += wzy * wx.w[3] * at[-1];
            }
    }
}

void CubicResampler::resampleRow(const Volume& vdm, bool negate, int y, int z, float* out) const {
    const int nx = dims_[0], ny = dims_[1], nz = dims_[2];
    const SplineWeights wz = splineWeights(static_cast<float>(z));
    const bool zInside = z >= 1 && z + 1 < nz;
    const float* d = vdm.data() + vdm.index(0, y, z);
    auto yWeights = [&](int x) {
        return splineWeights(negate ? static_cast<float>(y) - d[x] : static_cast<float>(y) + d[x]);
    };
    auto yInside = [ny](const SplineWeights& w) { return w.f >= 1 && w.f + 2 < ny; };
    int x = 0;
    while (x < nx) {
        if (zInside && x >= 1 && x + 4 < nx) {
            const SplineWeights wy[4] = {yWeights(x), yWeights(x + 1), yWeights(x + 2), yWeights(x + 3)};
            if (yInside(wy[0]) && yInside(wy[1]) && yInside(wy[2]) && yInside(wy[3])) {
                double sum[4];
                sampleInsideFour(x, z, wz, wy, sum);
                for (int b = 0; b < 4; ++b) out[x + b] = static_cast<float>(sum[b]);
                x += 4;
                continue;
            }
        }
        out[x] = static_cast<float>(sampleAt(x, wz, yWeights(x)));
        ++x;
    }
}

void CubicResampler::resample(const Volume& vdm, bool negate, Volume& out) const {
    checkMapFits(vdm, dims_);
    if (out.dimensions() != dims_) out = Volume(dims_);
    for (int z = 0; z < dims_[2]; ++z)
        for (int y = 0; y < dims_[1]; ++y) resampleRow(vdm, negate, y, z, out.data() + out.index(0, y, z));
}

std::vector<double> bsplineCoefficients(const Volume& src) {
    CubicResampler r;
    r.prepare(src);
    return r.coefficients();
}

Volume undistortCubic(const Volume& src, const Volume& vdm, bool negate) {
    MIREL_ASSERT(vdm.dimensions() == src.dimensions());
    CubicResampler r;
    r.prepare(src);
    Volume out(src.dimensions());
    r.resample(vdm, negate, out);
    return out;
}

void undistortLinear(Volume& dst, const Volume& src, const Volume& vdm, bool negate) {
    MIREL_ASSERT(dst.dimensions() == src.dimensions());
    MIREL_ASSERT(vdm.dimensions() == src.dimensions());
    MIREL_ASSERT(&dst != &src);
    const int nx = src.nx(), ny = src.ny(), nz = src.nz();
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const float d = vdm(x, y, z);
                const float yy = negate ? static_cast<float>(y) - d : static_cast<float>(y) + d;
                if (!(std::fabs(yy) < kFarOutside)) {
                    dst(x, y, z) = 0.0f;
                    continue;
                }
                const float fl = std::floor(yy);
                const float f = yy - fl;
                const int y0 = static_cast<int>(fl);
                float v = 0.0f;
                if (y0 >= 0 && y0 < ny) v += (1.0f - f) * src(x, y0, z);
                if (y0 + 1 >= 0 && y0 + 1 < ny) v += f * src(x, y0 + 1, z);
                dst(x, y, z) = v;
            }
}

void undistortLocal(Volume& dst, const Volume& src, const Volume& vdm, const std::vector<Position>& positions,
                    const std::vector<Position>& boxCoordinates, const Volume& box, float shift,
                    bool negate) {
    MIREL_ASSERT(dst.dimensions() == src.dimensions());
    MIREL_ASSERT(vdm.dimensions() == src.dimensions());
    MIREL_ASSERT(&dst != &src);
    const float last = static_cast<float>(src.ny() - 1);
    for (std::size_t k = 0; k < positions.size(); ++k) {
        const Position& p = positions[k];
        const Position& q = boxCoordinates[k];
        float d = shift * box(q[0], q[1], q[2]) + vdm(p[0], p[1], p[2]);
        if (negate) d = -d;
        const float yy = static_cast<float>(p[1]) + d;
        if (!(yy > 0.0f && yy < last)) continue;
        const float fl = std::floor(yy);
        const float f = yy - fl;
        const int y0 = static_cast<int>(fl);
        dst(p[0], p[1], p[2]) = (1.0f - f) * src(p[0], y0, p[2]) + f * src(p[0], y0 + 1, p[2]);
    }
}

Volume yDerivative(const Volume& vdm) {
    Volume out(vdm.dimensions(), 0.0f);
    for (int z = 0; z < vdm.nz(); ++z)
        for (int y = 1; y + 1 < vdm.ny(); ++y)
            for (int x = 0; x < vdm.nx(); ++x) out(x, y, z) = (vdm(x, y + 1, z) - vdm(x, y - 1, z)) * 0.5f;
    return out;
}

void resizeMap(Volume& dst, const Volume& src) {
    MIREL_ASSERT(&dst != &src);
    const Dimensions nd = dst.dimensions(), ns = src.dimensions();
    float ratio[3], md[3], ms[3];
    for (int a = 0; a < 3; ++a) {
        ratio[a] = static_cast<float>(ns[a]) / static_cast<float>(nd[a]);
        md[a] = (nd[a] - 1) / 2.0f;
        ms[a] = (ns[a] - 1) / 2.0f;
    }
    auto at = [&](int x, int y, int z) -> float {
        if (x < 0 || y < 0 || z < 0 || x >= ns[0] || y >= ns[1] || z >= ns[2]) return 0.0f;
        return src(x, y, z);
    };
    for (int z = 0; z < nd[2]; ++z)
        for (int y = 0; y < nd[1]; ++y)
            for (int x = 0; x < nd[0]; ++x) {
                const float p[3] = {(x - md[0]) * ratio[0] + ms[0], (y - md[1]) * ratio[1] + ms[1],
                                    (z - md[2]) * ratio[2] + ms[2]};
                int i[3];
                float f[3];
                for (int a = 0; a < 3; ++a) {
                    const float fl = std::floor(p[a]);
                    i[a] = static_cast<int>(fl);
                    f[a] = p[a] - fl;
                }
                float v = 0.0f;
                for (int c = 0; c < 8; ++c) {
                    const int dx = c & 1, dy = (c >> 1) & 1, dz = (c >> 2) & 1;
                    const float w = (dx ? f[0] : 1 - f[0]) * (dy ? f[1] : 1 - f[1]) * (dz ? f[2] : 1 - f[2]);
                    if (w != 0.0f) v += w * at(i[0] + dx, i[1] + dy, i[2] + dz);
                }
                dst(x, y, z) = v;
            }
}

Volume resizeMap(const Dimensions& dst, const Volume& vdm) {
    Volume out(dst);
    resizeMap(out, vdm);
    return out;
}

Volume inverseMap(const Volume& vdm) {
    const int nx = vdm.nx(), ny = vdm.ny(), nz = vdm.nz();
    Volume out(vdm.dimensions(), 0.0f);
    std::vector<float> p(static_cast<std::size_t>(ny));
    for (int z = 0; z < nz; ++z)
        for (int x = 0; x < nx; ++x) {
            for (int y = 0; y < ny; ++y)
                p[static_cast<std::size_t>(y)] = static_cast<float>(y) + vdm(x, y, z);
            for (int t = 0; t < ny; ++t) {
                const float tf = static_cast<float>(t);
                const int i = static_cast<int>(std::upper_bound(p.begin(), p.end(), tf) - p.begin());
                if (i <= 0 || i >= ny) continue;
                const float pi = p[static_cast<std::size_t>(i)], pm = p[static_cast<std::size_t>(i - 1)];
                out(x, t, z) =
                    ((pi - tf) * static_cast<float>(i - 1) + (tf - pm) * static_cast<float>(i)) / (pi - pm) -
                    tf;
            }
        }
    return out;
}

}  // namespace distortion::core
