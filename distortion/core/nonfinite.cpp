#include "distortion/core/nonfinite.h"

#include "distortion/core/errors.h"
#include "distortion/core/vdm.h"

#include <cmath>
#include <limits>

namespace distortion::core {

std::size_t countNonFinite(const Volume& v) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!std::isfinite(v[i])) ++n;
    return n;
}

Volume undistortCubicKeepingNonFiniteLocal(const Volume& src, const Volume& vdm, bool negate) {
    MIREL_ASSERT(vdm.dimensions() == src.dimensions());
    if (countNonFinite(src) == 0) return undistortCubic(src, vdm, negate);
    Volume zeroed(src);
    std::vector<bool> bad(src.size(), false);
    for (std::size_t i = 0; i < zeroed.size(); ++i)
        if (!std::isfinite(zeroed[i])) {
            zeroed[i] = 0.0f;
            bad[i] = true;
        }
    Volume out = undistortCubic(zeroed, vdm, negate);
    for (std::size_t i : outputsNearNonFinite(bad, vdm, negate))
        out[i] = std::numeric_limits<float>::quiet_NaN();
    return out;
}

std::vector<std::size_t> outputsNearNonFinite(const std::vector<bool>& bad, const Volume& vdm, bool negate) {
    MIREL_ASSERT(bad.size() == vdm.size());
    const int nx = vdm.nx(), ny = vdm.ny();
    auto at = [&](int x, int y, int z) {
        return (static_cast<std::size_t>(z) * ny + static_cast<std::size_t>(y)) * nx +
               static_cast<std::size_t>(x);
    };
    auto isBad = [&](int x, int y, int z) { return y >= 0 && y < ny && bad[at(x, y, z)]; };
    std::vector<std::size_t> near;
    for (int z = 0; z < vdm.nz(); ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const float d = vdm(x, y, z);
                const float yy = negate ? static_cast<float>(y) - d : static_cast<float>(y) + d;
                // Far outside (or not a number): no source row is near.
                if (!(std::fabs(yy) < static_cast<float>(ny) + 2.0f)) continue;
                const float fl = std::floor(yy);
                const int y0 = static_cast<int>(fl);
                if (isBad(x, y0, z) || (yy > fl && isBad(x, y0 + 1, z))) near.push_back(at(x, y, z));
            }
    return near;
}

}  // namespace distortion::core
