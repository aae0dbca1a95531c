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
    for (std::size_t i = 0; i < zeroed.size(); ++i)
        if (!std::isfinite(zeroed[i])) zeroed[i] = 0.0f;
    Volume out = undistortCubic(zeroed, vdm, negate);
    const int ny = src.ny();
    auto bad = [&](int x, int y, int z) { return y >= 0 && y < ny && !std::isfinite(src(x, y, z)); };
    for (int z = 0; z < src.nz(); ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < src.nx(); ++x) {
                const float d = vdm(x, y, z);
                const float yy = negate ? static_cast<float>(y) - d : static_cast<float>(y) + d;
                // Far outside (or not a number): no source row is near.
                if (!(std::fabs(yy) < static_cast<float>(ny) + 2.0f)) continue;
                const float fl = std::floor(yy);
                const int y0 = static_cast<int>(fl);
                if (bad(x, y0, z) || (yy > fl && bad(x, y0 + 1, z)))
                    out(x, y, z) = std::numeric_limits<float>::quiet_NaN();
            }
    return out;
}

}  // namespace distortion::core
