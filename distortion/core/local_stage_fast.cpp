// The trial loop of a local-optimisation stage for boxes of ones, by box
// sums. With every box weight 1 the value a trial resamples at a voxel
// depends only on that voxel and the shift, so the distance of every
// neighbourhood for one shift is a box sum over the volume. What the
// in-place resampling leaves behind (a row outside the volume keeps the
// last value written there) is tracked exactly: a voxel whose value for
// some shift depends on whether an earlier trial reached it is resolved by
// evaluating that neighbourhood one voxel at a time.
#include "distortion/core/local_stage_fast.h"

#include "distortion/core/errors.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace distortion::core {
namespace {

constexpr float kBright = 100.0f;

struct Resampler {
    const Volume& src;
    const Volume& vdm;
    const std::vector<float>& shifts;
    bool negate;
    float last;

    bool inRange(int y, std::size_t i, std::size_t j) const {
        float d = shifts[j] * 1.0f + vdm[i];
        if (negate) d = -d;
        const float yy = static_cast<float>(y) + d;
        return yy > 0.0f && yy < last;
    }

    // The resampled value of shift j at voxel i, or false when the shifted
    // row falls outside (the voxel then keeps what it held).
    bool value(int x, int y, int z, std::size_t i, std::size_t j, float& out) const {
        float d = shifts[j] * 1.0f + vdm[i];
        if (negate) d = -d;
        const float yy = static_cast<float>(y) + d;
        if (!(yy > 0.0f && yy < last)) return false;
        const float fl = std::floor(yy);
        const float f = yy - fl;
        const int y0 = static_cast<int>(fl);
        out = (1.0f - f) * src(x, y0, z) + f * src(x, y0 + 1, z);
        return true;
    }
};

// In-range shifts of one voxel form an interval [lo, hi] (shifts ascend);
// lo > hi when none is in range.
struct Range {
    int lo = 1, hi = 0;
};

Range rangeOf(const Resampler& r, int y, std::size_t i, std::size_t count) {
    Range g;
    for (std::size_t j = 0; j < count; ++j)
        if (r.inRange(y, i, j)) {
            if (g.lo > g.hi)
                g.lo = g.hi = static_cast<int>(j);
            else
                g.hi = static_cast<int>(j);
        }
    return g;
}

// Sums over the clipped box around every voxel, separably, in double.
void boxSum(std::vector<double>& v, const Dimensions& d, const int h[3], std::vector<double>& tmp) {
    const std::size_t stride[3] = {1, static_cast<std::size_t>(d[0]), static_cast<std::size_t>(d[0]) * d[1]};
    tmp.resize(v.size());
    for (int axis = 0; axis < 3; ++axis) {
        const int n = d[axis];
        const std::size_t s = stride[axis];
        const int o1 = (axis + 1) % 3, o2 = (axis + 2) % 3;
        for (int a = 0; a < d[o1]; ++a)
            for (int b = 0; b < d[o2]; ++b) {
                const std::size_t base = a * stride[o1] + b * stride[o2];
                double run = 0.0;
                for (int k = 0; k <= std::min(h[axis], n - 1); ++k) run += v[base + k * s];
                for (int k = 0; k < n; ++k) {
                    tmp[base + k * s] = run;
                    const int add = k + h[axis] + 1, drop = k - h[axis];
                    if (add < n) run += v[base + add * s];
                    if (drop >= 0) run -= v[base + drop * s];
                }
            }
        v.swap(tmp);
    }
}

}  // namespace

bool fastStageApplies(const Volume& box, const std::vector<float>& shifts) {
    for (std::size_t i = 0; i < box.size(); ++i)
        if (box[i] != 1.0f) return false;
    for (std::size_t j = 1; j < shifts.size(); ++j)
        if (!(shifts[j - 1] < shifts[j])) return false;
    return !shifts.empty();
}

void optimiseStageFast(const Volume& vdm, const Volume& srcAp, const Volume& srcPa, const Volume& apUndist,
                       const Volume& paUndist, const Volume& box, const std::vector<float>& shifts,
                       bool useSsd, Volume& newMap, Volume& weight, std::vector<int>* chosen) {
    MIREL_ASSERT(fastStageApplies(box, shifts));
    const int nx = vdm.nx(), ny = vdm.ny(), nz = vdm.nz();
    const int h[3] = {box.nx() / 2, box.ny() / 2, box.nz() / 2};
    const std::size_t n = vdm.size(), count = shifts.size();
    const Resampler ap{srcAp, vdm, shifts, false, static_cast<float>(ny - 1)};
    const Resampler pa{srcPa, vdm, shifts, true, static_cast<float>(ny - 1)};
    newMap = vdm;
    weight = Volume(vdm.dimensions(), 0.25f);
    if (chosen) chosen->assign(n, -1);

    // Per voxel: the in-range shifts, the value left after a trial loop that
    // reached it, and whether an earlier trial reaching it changes what a
    // later one sees (only when some shift below the range exists).
    std::vector<Range> rangeAp(n), rangePa(n);
    std::vector<float> leftAp(n), leftPa(n);
    std::vector<unsigned char> history(n, 0), touched(n, 0);
    for (int z = 0, i = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x, ++i) {
                const std::size_t u = static_cast<std::size_t>(i);
                rangeAp[u] = rangeOf(ap, y, u, count);
                rangePa[u] = rangeOf(pa, y, u, count);
                leftAp[u] = apUndist[u];
                leftPa[u] = paUndist[u];
                if (rangeAp[u].lo <= rangeAp[u].hi)
                    ap.value(x, y, z, u, static_cast<std::size_t>(rangeAp[u].hi), leftAp[u]);
                if (rangePa[u].lo <= rangePa[u].hi)
                    pa.value(x, y, z, u, static_cast<std::size_t>(rangePa[u].hi), leftPa[u]);
                history[u] = (rangeAp[u].lo > 0 && rangeAp[u].lo <= rangeAp[u].hi) ||
                             (rangePa[u].lo > 0 && rangePa[u].lo <= rangePa[u].hi);
            }
    std::vector<double> historyBox(history.begin(), history.end()), tmp;
    boxSum(historyBox, vdm.dimensions(), h, tmp);

    // The value a trial with shift j sees at voxel u.
    auto seen = [&](const Resampler& r, const std::vector<Range>& range, const std::vector<float>& left,
                    const Volume& initial, int x, int y, int z, std::size_t u, std::size_t j,
                    bool wasTouched) {
        float v;
        if (r.value(x, y, z, u, j, v)) return v;
        const Range& g = range[u];
        if (g.lo > g.hi) return initial[u];
        if (static_cast<int>(j) > g.hi || wasTouched) return left[u];
        return initial[u];
    };

    // Raster scan: which voxels are optimised (their brightness test sees
    // what earlier trials left), and the exact trials of neighbourhoods whose
    // values depend on that history.
    std::vector<unsigned char> optimised(n, 0), exact(n, 0);
    std::vector<double> exactCost;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const std::size_t c = vdm.index(x, y, z);
                const float a = touched[c] ? leftAp[c] : apUndist[c];
                const float b = touched[c] ? leftPa[c] : paUndist[c];
                if (!(a > kBright || b > kBright)) continue;
                optimised[c] = 1;
                const int x0 = std::max(0, x - h[0]), x1 = std::min(nx - 1, x + h[0]);
                const int y0 = std::max(0, y - h[1]), y1 = std::min(ny - 1, y + h[1]);
                const int z0 = std::max(0, z - h[2]), z1 = std::min(nz - 1, z + h[2]);
                bool dependsOnHistory = false;
                if (historyBox[c] > 0.0)
                    for (int zz = z0; zz <= z1 && !dependsOnHistory; ++zz)
                        for (int yy = y0; yy <= y1 && !dependsOnHistory; ++yy)
                            for (int xx = x0; xx <= x1; ++xx) {
                                const std::size_t u = vdm.index(xx, yy, zz);
                                if (history[u] && !touched[u]) {
                                    dependsOnHistory = true;
                                    break;
                                }
                            }
                if (dependsOnHistory) {
                    exact[c] = 1;
                    double best = std::numeric_limits<double>::infinity();
                    int bestIndex = -1;
                    for (std::size_t j = 0; j < count; ++j) {
                        float sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, cnt = 0;
                        double ssd = 0.0;
                        for (int zz = z0; zz <= z1; ++zz)
                            for (int yy = y0; yy <= y1; ++yy)
                                for (int xx = x0; xx <= x1; ++xx) {
                                    const std::size_t u = vdm.index(xx, yy, zz);
                                    // Shifts above the range see what this centre's own
                                    // trials left; shifts below it what earlier centres did.
                                    const float va =
                                        seen(ap, rangeAp, leftAp, apUndist, xx, yy, zz, u, j, touched[u]);
                                    const float vb =
                                        seen(pa, rangePa, leftPa, paUndist, xx, yy, zz, u, j, touched[u]);
                                    const float d = va - vb;
                                    ssd += static_cast<double>(d) * d;
                                    sa += va, sb += vb, saa += va * va, sbb += vb * vb, sab += va * vb,
                                        cnt += 1.0f;
                                }
                        double cost;
                        if (useSsd)
                            cost = ssd;
                        else {
                            const float num = cnt * sab - sa * sb;
                            const float den = std::sqrt(cnt * saa - sa * sa) * std::sqrt(cnt * sbb - sb * sb);
                            cost = -static_cast<double>(num / den);
                        }
                        if (cost < best) best = cost, bestIndex = static_cast<int>(j);
                    }
                    if (bestIndex >= 0) newMap[c] += shifts[static_cast<std::size_t>(bestIndex)];
                    if (chosen) (*chosen)[c] = bestIndex;
                }
                // The box of the previous centre of this row, when it was optimised
                // too, already covered all but the newest column.
                const int xStart = (x > 0 && optimised[c - 1]) ? x1 : x0;
                if (!(x > 0 && optimised[c - 1] && x + h[0] > nx - 1))
                    for (int zz = z0; zz <= z1; ++zz)
                        for (int yy = y0; yy <= y1; ++yy)
                            for (int xx = xStart; xx <= x1; ++xx) {
                                const std::size_t u = vdm.index(xx, yy, zz);
                                if (rangeAp[u].lo <= rangeAp[u].hi || rangePa[u].lo <= rangePa[u].hi)
                                    touched[u] = 1;
                            }
                weight[c] = 1.0f;
            }

    // Every other optimised voxel: per shift, box sums of what the trials see
    // once history no longer matters.
    std::vector<double> bestCost(n, std::numeric_limits<double>::infinity());
    std::vector<int> bestIndex(n, -1);
    std::vector<double> fa(n), fb(n), faa, fbb, fab, fcount;
    if (!useSsd) {
        fcount.assign(n, 1.0);
        boxSum(fcount, vdm.dimensions(), h, tmp);
    }
    for (std::size_t j = 0; j < count; ++j) {
        for (int z = 0, i = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x, ++i) {
                    const std::size_t u = static_cast<std::size_t>(i);
                    fa[u] = seen(ap, rangeAp, leftAp, apUndist, x, y, z, u, j, true);
                    fb[u] = seen(pa, rangePa, leftPa, paUndist, x, y, z, u, j, true);
                }
        if (useSsd) {
            std::vector<double>& d2 = faa;
            d2.resize(n);
            for (std::size_t u = 0; u < n; ++u) {
                const float d = static_cast<float>(fa[u]) - static_cast<float>(fb[u]);
                d2[u] = static_cast<double>(d) * d;
            }
            boxSum(d2, vdm.dimensions(), h, tmp);
            for (std::size_t u = 0; u < n; ++u)
                if (optimised[u] && !exact[u] && d2[u] < bestCost[u])
                    bestCost[u] = d2[u], bestIndex[u] = static_cast<int>(j);
        } else {
            faa.resize(n), fbb.resize(n), fab.resize(n);
            for (std::size_t u = 0; u < n; ++u)
                faa[u] = fa[u] * fa[u], fbb[u] = fb[u] * fb[u], fab[u] = fa[u] * fb[u];
            boxSum(fa, vdm.dimensions(), h, tmp);
            boxSum(fb, vdm.dimensions(), h, tmp);
            boxSum(faa, vdm.dimensions(), h, tmp);
            boxSum(fbb, vdm.dimensions(), h, tmp);
            boxSum(fab, vdm.dimensions(), h, tmp);
            for (std::size_t u = 0; u < n; ++u) {
                if (!optimised[u] || exact[u]) continue;
                const double c = fcount[u];
                const double num = c * fab[u] - fa[u] * fb[u];
                const double den =
                    std::sqrt(c * faa[u] - fa[u] * fa[u]) * std::sqrt(c * fbb[u] - fb[u] * fb[u]);
                const double cost = -static_cast<double>(static_cast<float>(num / den));
                if (cost < bestCost[u]) bestCost[u] = cost, bestIndex[u] = static_cast<int>(j);
            }
        }
    }
    for (std::size_t u = 0; u < n; ++u) {
        if (!optimised[u] || exact[u]) continue;
        if (bestIndex[u] >= 0) newMap[u] += shifts[static_cast<std::size_t>(bestIndex[u])];
        if (chosen) (*chosen)[u] = bestIndex[u];
    }
}

}  // namespace distortion::core
