// The fast column-wise estimate: per image column along y, Gauss-Newton on
// a linear stretch a and shift b that make the two warped columns agree.
#include "distortion/core/distance.h"
#include "distortion/core/errors.h"
#include "distortion/core/filtering.h"
#include "distortion/core/vdm.h"
#include "distortion/core/vdmestimate.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace distortion::core {
namespace {

constexpr float kBright = 100.0f;
// Where the Gauss-Newton steps may take a column. A stretch beyond a factor
// of two, or a shift beyond half the column, no longer describes a
// distortion: it is a fit running away on a column without shared structure
// (one volume flat, the other noise), whose steps reach 1e14 and beyond.
constexpr double kMinStretch = 0.5, kMaxStretch = 2.0;

bool withinBounds(double a, double b, int ny) {
    return std::isfinite(a) && std::isfinite(b) && a >= kMinStretch && a <= kMaxStretch &&
           std::fabs(b) <= 0.5 * ny;
}

struct ColumnFit {
    const Vector& A;
    const Vector& B;
    const Vector& dA;
    const Vector& dB;
    const std::vector<float>& u;
    float half;

    double cost(double a, double b, Vector& Aw, Vector& Bw, Vector* dAw, Vector* dBw) const {
        const int n = A.size();
        const float af = static_cast<float>(a), bf = static_cast<float>(b);
        for (int i = 0; i < n; ++i) {
            const float pa = af * u[static_cast<std::size_t>(i)] + bf + half;
            const float pb = u[static_cast<std::size_t>(i)] / af - bf + half;
            Aw[i] = af * sampleColumn(A.data(), n, pa);
            Bw[i] = (1.0f / af) * sampleColumn(B.data(), n, pb);
            if (dAw) (*dAw)[i] = sampleColumn(dA.data(), n, pa);
            if (dBw) (*dBw)[i] = sampleColumn(dB.data(), n, pb);
        }
        return meanSquaredDifferenceNonzero(Aw, Bw);
    }
};

// Gauss-Newton from (a, b); at most ten steps. A step that would leave the
// bounds above, or a cost that is not a number, ends the fit with the last
// parameters inside them.
void fitColumn(const ColumnFit& fit, float& aOut, float& bOut) {
    const int n = fit.A.size();
    Vector Aw(n), Bw(n), dAw(n), dBw(n);
    double a = aOut, b = bOut, best = DBL_MAX;
    double lastStep[2] = {0.0, 0.0};
    bool stepped = false;
    double d = 0.0;
    for (int it = 0; it < 10; ++it) {
        d = fit.cost(a, b, Aw, Bw, &dAw, &dBw);
        if (!std::isfinite(d)) {
            d = std::numeric_limits<double>::infinity();  // the last step is undone below
            break;
        }
        if ((d - best) * 100.0 / best > -0.01) break;
        Matrix J(n, 2);
        const float af = static_cast<float>(a);
        for (int i = 0; i < n; ++i) {
            const float u = fit.u[static_cast<std::size_t>(i)];
            J(i, 0) = (af * dAw[i] + dBw[i] / (af * af * af)) * u;
            J(i, 1) = af * dAw[i] + dBw[i] / af;
        }
        const Matrix Jt = J.transposed();
        const Matrix mat = Jt * J;
        MIREL_ASSERT(mat.columns() == 2 && mat.rows() == 2);
        const double det =
            static_cast<double>(mat(0, 0)) * mat(1, 1) - static_cast<double>(mat(0, 1)) * mat(1, 0);
        // A singular system (a column without structure) would turn the
        // parameters into not-a-number; keep the current ones instead.
        if (det == 0.0 || !std::isfinite(det)) break;
        Vector r = Aw - Bw;
        const Vector g = Jt * r;
        const double s0 = -((mat(1, 1) * g[0] - mat(0, 1) * g[1]) / det);
        const double s1 = -((-mat(1, 0) * g[0] + mat(0, 0) * g[1]) / det);
        if (!withinBounds(a + s0, b + s1, n)) break;
        a += s0;
        b += s1;
        lastStep[0] = s0, lastStep[1] = s1;
        stepped = true;
        best = d;
    }
    if (stepped && d > best) {
        a -= lastStep[0];
        b -= lastStep[1];
    }
    aOut = static_cast<float>(a);
    bOut = static_cast<float>(b);
}

}  // namespace

Volume estimateColumnwise(const FftApi& fft, const Volume& vol_ap, const Volume& vol_pa,
                          const std::array<double, 3>& sigma, int order, std::ostream& log) {
    MIREL_ASSERT(vol_ap.dimensions() == vol_pa.dimensions());
    log << "Start fast VDM estimate... " << std::endl;
    Volume A(vol_ap), B(vol_pa), dA(vol_ap), dB(vol_pa);
    gaussianFilter(fft, A, sigma, {order, order, order}, true);
    gaussianFilter(fft, B, sigma, {order, order, order}, true);
    gaussianFilter(fft, dA, sigma, {0, 1, 0}, true);
    gaussianFilter(fft, dB, sigma, {0, 1, 0}, true);
    log << "Column-wise optimisation, sigma: x: " << sigma[0] << ", y: " << sigma[1]
        << ", sigma.z: " << sigma[2] << std::endl;
    log << "SSD of original AP and PA volumes: " << meanSquaredDifference(vol_ap, vol_pa) << std::endl;

    const int nx = vol_ap.nx(), ny = vol_ap.ny(), nz = vol_ap.nz();
    std::vector<float> u(static_cast<std::size_t>(ny));
    for (int i = 0; i < ny; ++i) u[static_cast<std::size_t>(i)] = static_cast<float>(i) - ny * 0.5f;
    Matrix a(nx, nz, 1.0f), b(nx, nz, 0.0f), w(nx, nz, 1.0f);
    Volume vdm(vol_ap.dimensions(), 0.0f);
    const Matrix kernel = gaussianKernel2d({5, 5}, {1.0, 1.0}, {0, 0}, false);
    for (int pass = 0; pass < 10; ++pass) {
        if (pass > 0) {
            weightedSmooth(a, kernel, w, true);
            weightedSmooth(b, kernel, w, true);
        }
        for (int z = 0; z < nz; ++z)
            for (int x = 0; x < nx; ++x) {
                w(x, z) = 0.0f;
                const Vector Ac = column(A, x, z), Bc = column(B, x, z);
                if (!(Ac.maximum() > kBright && Bc.maximum() > kBright)) continue;
                w(x, z) = 1.0f;
                const Vector dAc = column(dA, x, z), dBc = column(dB, x, z);
                const ColumnFit fit{Ac, Bc, dAc, dBc, u, ny * 0.5f};
                fitColumn(fit, a(x, z), b(x, z));
                const float af = a(x, z), bf = b(x, z);
                Vector shift(ny);
                for (int i = 0; i < ny; ++i) {
                    const float ui = u[static_cast<std::size_t>(i)];
                    shift[i] = ((af * ui + bf) - (ui / af - bf)) / 2.0f;
                }
                setColumn(vdm, x, z, shift);
            }
    }
    Volume apU(vol_ap.dimensions()), paU(vol_ap.dimensions());
    undistortLinear(apU, vol_ap, vdm, false);
    undistortLinear(paU, vol_pa, vdm, true);
    log << "SSD after applying column wise VDM: " << meanSquaredDifference(apU, paU) << std::endl;
    return vdm;
}

}  // namespace distortion::core
