// The trial loop of a local-optimisation stage for boxes of ones, shift by
// shift. With every box weight 1 the value a trial resamples at a voxel
// depends only on that voxel and the shift, so each shift's values are
// resampled once for the whole volume and every neighbourhood's cost is
// summed from them, in the literal loop's order and precision (the cost
// policies of distance.h): the same sums, so the same choices. What the
// in-place resampling leaves behind (a row outside the volume keeps the
// last value written there) is tracked exactly: a neighbourhood whose
// values depend on whether an earlier trial reached them is evaluated one
// voxel at a time, as the literal loop does.
#include "distortion/core/local_stage_fast.h"

#include "distortion/core/distance.h"
#include "distortion/core/errors.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace distortion::core {
namespace {

constexpr float kBright = 100.0f;
constexpr std::uint32_t kNever = 0xffffffffu;

// Adds, for every centre x in [first, last], the terms of the voxel at
// x + dx of one row to that centre's sums. The centres' sums are
// independent, so the loop runs across centres while each centre still
// receives its terms in neighbourhood order.
#if defined(__GNUC__) && defined(__x86_64__)
#define MIREL_ROW_INLINE inline __attribute__((always_inline))
#else
#define MIREL_ROW_INLINE inline
#endif
// The sums, values and terms are distinct arrays; said so, because after
// inlining the compiler no longer sees that from the parameters.
#if defined(__GNUC__) && !defined(__clang__)
#define MIREL_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define MIREL_INDEPENDENT_ITERATIONS
#endif

MIREL_ROW_INLINE void addRowSumsBody(float* __restrict sa, float* __restrict sb, float* __restrict saa,
                                     float* __restrict sbb, float* __restrict sab, float* __restrict sn,
                                     const float* __restrict a, const float* __restrict b,
                                     const float* __restrict aa, const float* __restrict bb,
                                     const float* __restrict ab, int first, int last) {
    MIREL_INDEPENDENT_ITERATIONS
    for (int x = first; x <= last; ++x)
        CorrelationCost::accumulateTerms(sa[x], sb[x], saa[x], sbb[x], sab[x], sn[x], a[x], b[x], aa[x],
                                         bb[x], ab[x]);
}

MIREL_ROW_INLINE void addRowSquaresBody(double* __restrict s, const double* __restrict d2, int first,
                                        int last) {
    MIREL_INDEPENDENT_ITERATIONS
    for (int x = first; x <= last; ++x) s[x] += d2[x];
}

using AddRowSums = void (*)(float*, float*, float*, float*, float*, float*, const float*, const float*,
                            const float*, const float*, const float*, int, int);
using AddRowSquares = void (*)(double*, const double*, int, int);

void addRowSums(float* sa, float* sb, float* saa, float* sbb, float* sab, float* sn, const float* a,
                const float* b, const float* aa, const float* bb, const float* ab, int first, int last) {
    addRowSumsBody(sa, sb, saa, sbb, sab, sn, a, b, aa, bb, ab, first, last);
}

void addRowSquares(double* s, const double* d2, int first, int last) {
    addRowSquaresBody(s, d2, first, last);
}

#if defined(__GNUC__) && defined(__x86_64__)
// The same loops in 256-bit registers where the processor has them: every
// lane performs the same single additions as the narrow loop (no fused
// multiply-add is enabled), so the sums are identical.
__attribute__((target("avx2"))) void addRowSumsWide(float* sa, float* sb, float* saa, float* sbb, float* sab,
                                                    float* sn, const float* a, const float* b,
                                                    const float* aa, const float* bb, const float* ab,
                                                    int first, int last) {
    addRowSumsBody(sa, sb, saa, sbb, sab, sn, a, b, aa, bb, ab, first, last);
}

__attribute__((target("avx2"))) void addRowSquaresWide(double* s, const double* d2, int first, int last) {
    addRowSquaresBody(s, d2, first, last);
}

bool wideRows() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}
#else
bool wideRows() {
    return false;
}
#endif

AddRowSums rowSumsFunction() {
#if defined(__GNUC__) && defined(__x86_64__)
    if (wideRows()) return addRowSumsWide;
#endif
    return addRowSums;
}

AddRowSquares rowSquaresFunction() {
#if defined(__GNUC__) && defined(__x86_64__)
    if (wideRows()) return addRowSquaresWide;
#endif
    return addRowSquares;
}

}  // namespace

bool fastStageApplies(const Volume& box, const std::vector<float>& shifts) {
    for (std::size_t i = 0; i < box.size(); ++i)
        if (box[i] != 1.0f) return false;
    for (std::size_t j = 1; j < shifts.size(); ++j)
        if (!(shifts[j - 1] < shifts[j])) return false;
    // Shift indices are kept in 16 bits.
    return !shifts.empty() && shifts.size() <= 32767;
}

bool FastTrialLoop::inRange(bool pa, int y, std::size_t u, std::size_t shift) const {
    float d = in_->shifts[shift] * 1.0f + in_->vdm[u];
    if (pa) d = -d;
    const float yy = static_cast<float>(y) + d;
    return yy > 0.0f && yy < static_cast<float>(ny_ - 1);
}

// The resampled value of a shift at voxel u, or false when the shifted row
// falls outside (the voxel then keeps what it held).
bool FastTrialLoop::resample(bool pa, int x, int y, int z, std::size_t u, std::size_t shift,
                             float& out) const {
    float d = in_->shifts[shift] * 1.0f + in_->vdm[u];
    if (pa) d = -d;
    const float yy = static_cast<float>(y) + d;
    if (!(yy > 0.0f && yy < static_cast<float>(ny_ - 1))) return false;
    const float fl = std::floor(yy);
    const float f = yy - fl;
    const int y0 = static_cast<int>(fl);
    const Volume& src = pa ? in_->srcPa : in_->srcAp;
    out = (1.0f - f) * src(x, y0, z) + f * src(x, y0 + 1, z);
    return true;
}

// The value a trial with the given shift sees at voxel u once every earlier
// trial that could reach it has: shifts above the in-range interval see
// what this centre's own trials left, shifts below it what earlier centres
// left.
float FastTrialLoop::seen(bool pa, int x, int y, int z, std::size_t u, std::size_t shift) const {
    float v;
    if (resample(pa, x, y, z, u, shift, v)) return v;
    const Range& g = pa ? rangePa_[u] : rangeAp_[u];
    if (g.empty()) return (pa ? in_->paUndist : in_->apUndist)[u];
    return pa ? leftPa_[u] : leftAp_[u];
}

// Per voxel: the in-range shifts, the value left after a trial loop that
// reached it, and whether an earlier trial reaching it changes what a later
// one sees (only when some shift below the range exists).
void FastTrialLoop::scanRanges() {
    const std::size_t n = in_->vdm.size(), count = in_->shifts.size();
    rangeAp_.assign(n, Range());
    rangePa_.assign(n, Range());
    leftAp_.resize(n);
    leftPa_.resize(n);
    history_.resize(n);
    historyRow_.assign(static_cast<std::size_t>(ny_) * nz_, 0);
    for (int z = 0, i = 0; z < nz_; ++z)
        for (int y = 0; y < ny_; ++y)
            for (int x = 0; x < nx_; ++x, ++i) {
                const std::size_t u = static_cast<std::size_t>(i);
                for (int side = 0; side < 2; ++side) {
                    Range& g = side ? rangePa_[u] : rangeAp_[u];
                    float& left = side ? leftPa_[u] : leftAp_[u];
                    left = (side ? in_->paUndist : in_->apUndist)[u];
                    for (std::size_t j = 0; j < count; ++j)
                        if (inRange(side != 0, y, u, j)) {
                            if (g.empty()) g.lo = static_cast<std::int16_t>(j);
                            g.hi = static_cast<std::int16_t>(j);
                        }
                    if (!g.empty()) resample(side != 0, x, y, z, u, static_cast<std::size_t>(g.hi), left);
                }
                history_[u] = (rangeAp_[u].lo > 0 && !rangeAp_[u].empty()) ||
                              (rangePa_[u].lo > 0 && !rangePa_[u].empty());
                if (history_[u]) historyRow_[static_cast<std::size_t>(z) * ny_ + y] = 1;
            }
}

bool FastTrialLoop::dependsOnHistory(std::uint32_t centre, const int lo[3], const int hi[3]) const {
    bool anyRow = false;
    for (int zz = lo[2]; zz <= hi[2] && !anyRow; ++zz)
        for (int yy = lo[1]; yy <= hi[1] && !anyRow; ++yy)
            anyRow = historyRow_[static_cast<std::size_t>(zz) * ny_ + yy] != 0;
    if (!anyRow) return false;
    for (int zz = lo[2]; zz <= hi[2]; ++zz)
        for (int yy = lo[1]; yy <= hi[1]; ++yy)
            for (int xx = lo[0]; xx <= hi[0]; ++xx) {
                const std::size_t u = in_->vdm.index(xx, yy, zz);
                if (history_[u] && touchTime_[u] >= centre) return true;
            }
    return false;
}

// One shift's cost for the neighbourhoods whose values depend on what
// earlier trials reached: a voxel below its in-range interval still shows
// its initial value if no earlier centre's trials touched it.
template <class Cost>
void FastTrialLoop::historyTrials(std::size_t shift) {
    const int j = static_cast<int>(shift);
    for (const std::uint32_t c : historyCentres_) {
        const int x = static_cast<int>(c % static_cast<std::uint32_t>(nx_));
        const int y = static_cast<int>(c / static_cast<std::uint32_t>(nx_) % static_cast<std::uint32_t>(ny_));
        const int z =
            static_cast<int>(c / (static_cast<std::uint32_t>(nx_) * static_cast<std::uint32_t>(ny_)));
        typename Cost::Sums sums;
        for (int zz = std::max(0, z - h_[2]); zz <= std::min(nz_ - 1, z + h_[2]); ++zz)
            for (int yy = std::max(0, y - h_[1]); yy <= std::min(ny_ - 1, y + h_[1]); ++yy)
                for (int xx = std::max(0, x - h_[0]); xx <= std::min(nx_ - 1, x + h_[0]); ++xx) {
                    const std::size_t u = in_->vdm.index(xx, yy, zz);
                    const bool untouched = touchTime_[u] >= c;
                    const float a = j < rangeAp_[u].lo && untouched ? in_->apUndist[u] : seenAp_[u];
                    const float b = j < rangePa_[u].lo && untouched ? in_->paUndist[u] : seenPa_[u];
                    Cost::add(sums, a, b);
                }
        const double cost = Cost::cost(sums);
        if (cost < bestCost_[c]) bestCost_[c] = cost, bestIndex_[c] = static_cast<std::int16_t>(j);
    }
}

void FastTrialLoop::markTouched(int x, int y, int z, const int lo[3], const int hi[3]) {
    // The box of the previous centre of this row, when it was optimised too,
    // already covered all but the newest column.
    const std::size_t c = in_->vdm.index(x, y, z);
    const bool previous = x > 0 && optimised_[c - 1];
    if (previous && x + h_[0] > nx_ - 1) return;
    const int xStart = previous ? hi[0] : lo[0];
    for (int zz = lo[2]; zz <= hi[2]; ++zz)
        for (int yy = lo[1]; yy <= hi[1]; ++yy)
            for (int xx = xStart; xx <= hi[0]; ++xx) {
                const std::size_t u = in_->vdm.index(xx, yy, zz);
                if ((!rangeAp_[u].empty() || !rangePa_[u].empty()) && touchTime_[u] == kNever)
                    touchTime_[u] = static_cast<std::uint32_t>(c);
            }
}

// Raster scan: which voxels are optimised (their brightness test sees what
// earlier trials left), and the exact trials of neighbourhoods whose values
// depend on that history.
void FastTrialLoop::scanRaster() {
    const std::size_t n = in_->vdm.size();
    touchTime_.assign(n, kNever);
    optimised_.assign(n, 0);
    exact_.assign(n, 0);
    historyCentres_.clear();
    for (int z = 0; z < nz_; ++z)
        for (int y = 0; y < ny_; ++y)
            for (int x = 0; x < nx_; ++x) {
                const std::size_t c = in_->vdm.index(x, y, z);
                const bool touched = touchTime_[c] != kNever;
                const float a = touched ? leftAp_[c] : in_->apUndist[c];
                const float b = touched ? leftPa_[c] : in_->paUndist[c];
                if (!(a > kBright || b > kBright)) continue;
                optimised_[c] = 1;
                const int lo[3] = {std::max(0, x - h_[0]), std::max(0, y - h_[1]), std::max(0, z - h_[2])};
                const int hi[3] = {std::min(nx_ - 1, x + h_[0]), std::min(ny_ - 1, y + h_[1]),
                                   std::min(nz_ - 1, z + h_[2])};
                if (dependsOnHistory(static_cast<std::uint32_t>(c), lo, hi)) {
                    exact_[c] = 1;
                    historyCentres_.push_back(static_cast<std::uint32_t>(c));
                }
                markTouched(x, y, z, lo, hi);
            }
    rowFirst_.assign(static_cast<std::size_t>(ny_) * nz_, nx_);
    rowLast_.assign(static_cast<std::size_t>(ny_) * nz_, -1);
    for (std::size_t row = 0; row < rowFirst_.size(); ++row)
        for (int x = 0; x < nx_; ++x) {
            const std::size_t u = row * static_cast<std::size_t>(nx_) + static_cast<std::size_t>(x);
            if (!optimised_[u] || exact_[u]) continue;
            rowFirst_[row] = std::min(rowFirst_[row], x);
            rowLast_[row] = x;
        }
}

// Every voxel's value under one shift once history no longer matters, and
// the per-voxel terms of the selected cost.
void FastTrialLoop::seenValues(std::size_t shift) {
    const std::size_t n = in_->vdm.size();
    seenAp_.resize(n);
    seenPa_.resize(n);
    for (int z = 0, i = 0; z < nz_; ++z)
        for (int y = 0; y < ny_; ++y)
            for (int x = 0; x < nx_; ++x, ++i) {
                const std::size_t u = static_cast<std::size_t>(i);
                seenAp_[u] = seen(false, x, y, z, u, shift);
                seenPa_[u] = seen(true, x, y, z, u, shift);
            }
    if (in_->useSsd) {
        squares_.resize(n);
        for (std::size_t u = 0; u < n; ++u) squares_[u] = SquaredDifferenceCost::term(seenAp_[u], seenPa_[u]);
    } else {
        for (std::vector<float>* p : {&productsAa_, &productsBb_, &productsAb_}) p->resize(n);
        for (std::size_t u = 0; u < n; ++u)
            CorrelationCost::products(seenAp_[u], seenPa_[u], productsAa_[u], productsBb_[u], productsAb_[u]);
    }
}

// The cost of one shift for every remaining optimised centre, row by row of
// centres, each centre's sums formed in neighbourhood order.
void FastTrialLoop::rowTrials(std::size_t shift) {
    const bool ssd = in_->useSsd;
    const std::size_t nx = static_cast<std::size_t>(nx_);
    if (ssd)
        rowSquares_.resize(nx);
    else
        rowSums_.resize(6 * nx);
    float* const sums[6] = {rowSums_.data(),          rowSums_.data() + nx,     rowSums_.data() + 2 * nx,
                            rowSums_.data() + 3 * nx, rowSums_.data() + 4 * nx, rowSums_.data() + 5 * nx};
    const AddRowSums addSums = rowSumsFunction();
    const AddRowSquares addSquares = rowSquaresFunction();
    for (int z = 0; z < nz_; ++z)
        for (int y = 0; y < ny_; ++y) {
            const std::size_t row = static_cast<std::size_t>(z) * ny_ + y;
            const int first = rowFirst_[row], last = rowLast_[row];
            if (first > last) continue;
            if (ssd)
                std::fill(rowSquares_.begin() + first, rowSquares_.begin() + last + 1, 0.0);
            else
                for (float* s : sums) std::fill(s + first, s + last + 1, 0.0f);
            for (int zz = std::max(0, z - h_[2]); zz <= std::min(nz_ - 1, z + h_[2]); ++zz)
                for (int yy = std::max(0, y - h_[1]); yy <= std::min(ny_ - 1, y + h_[1]); ++yy) {
                    const std::size_t base = in_->vdm.index(0, yy, zz);
                    for (int dx = -h_[0]; dx <= h_[0]; ++dx) {
                        const int from = std::max(first, -dx), to = std::min(last, nx_ - 1 - dx);
                        const std::size_t at =
                            base + static_cast<std::size_t>(static_cast<std::ptrdiff_t>(dx));
                        if (ssd)
                            addSquares(rowSquares_.data(), squares_.data() + at, from, to);
                        else
                            addSums(sums[0], sums[1], sums[2], sums[3], sums[4], sums[5], &seenAp_[at],
                                    &seenPa_[at], &productsAa_[at], &productsBb_[at], &productsAb_[at], from,
                                    to);
                    }
                }
            for (int x = first; x <= last; ++x) {
                const std::size_t u = row * nx + static_cast<std::size_t>(x);
                if (!optimised_[u] || exact_[u]) continue;
                const double cost =
                    ssd ? SquaredDifferenceCost::cost({rowSquares_[static_cast<std::size_t>(x)]})
                        : CorrelationCost::cost(
                              {sums[0][x], sums[1][x], sums[2][x], sums[3][x], sums[4][x], sums[5][x]});
                if (cost < bestCost_[u])
                    bestCost_[u] = cost, bestIndex_[u] = static_cast<std::int16_t>(shift);
            }
        }
}

void FastTrialLoop::optimise(const StageInputs& in, Volume& newMap, Volume& weight,
                             std::vector<int>* chosen) {
    MIREL_ASSERT(fastStageApplies(in.box, in.shifts));
    in_ = &in;
    nx_ = in.vdm.nx(), ny_ = in.vdm.ny(), nz_ = in.vdm.nz();
    h_[0] = in.box.nx() / 2, h_[1] = in.box.ny() / 2, h_[2] = in.box.nz() / 2;
    const std::size_t n = in.vdm.size();
    bestCost_.assign(n, std::numeric_limits<double>::infinity());
    bestIndex_.assign(n, -1);

    scanRanges();
    scanRaster();
    for (std::size_t j = 0; j < in.shifts.size(); ++j) {
        seenValues(j);
        rowTrials(j);
        if (in.useSsd) {
            historyTrials<SquaredDifferenceCost>(j);
        } else {
            historyTrials<CorrelationCost>(j);
        }
    }

    newMap = in.vdm;
    weight = Volume(in.vdm.dimensions(), 0.25f);
    if (chosen) chosen->assign(n, -1);
    for (std::size_t u = 0; u < n; ++u) {
        if (!optimised_[u]) continue;
        weight[u] = 1.0f;
        if (bestIndex_[u] >= 0) newMap[u] += in.shifts[static_cast<std::size_t>(bestIndex_[u])];
        if (chosen) (*chosen)[u] = bestIndex_[u];
    }
    in_ = nullptr;
}

void optimiseStageFast(const Volume& vdm, const Volume& srcAp, const Volume& srcPa, const Volume& apUndist,
                       const Volume& paUndist, const Volume& box, const std::vector<float>& shifts,
                       bool useSsd, Volume& newMap, Volume& weight, std::vector<int>* chosen) {
    FastTrialLoop loop;
    loop.optimise({vdm, srcAp, srcPa, apUndist, paUndist, box, shifts, useSsd}, newMap, weight, chosen);
}

}  // namespace distortion::core
