// Local optimisation of the displacement map: per bright voxel, trial
// shifts in a box around it, the best by a distance measure, smoothing
// under weights, and repair where the map would fold.
#include "distortion/core/vdmestimate.h"

#include "distortion/core/distance.h"
#include "distortion/core/errors.h"
#include "distortion/core/filtering.h"
#include "distortion/core/local_stage_fast.h"
#include "distortion/core/vdm.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <stdexcept>
#include <string>

namespace distortion::core {
namespace {

constexpr float kBright = 100.0f;
// Single-precision steps of 0.05 leave a pair meant to end exactly one voxel
// apart a few ulps above it; that pair counts as consistent.
constexpr float kFoldLimit = 1.0f + 1e-5f;
// Every sweep of the repair that changes a column narrows its largest gap;
// a column still changing after this many sweeps holds values the repair
// cannot bring together (steps of 0.05 vanish beside values of 1e7).
constexpr long kMaxRepairSweeps = 100000;

std::string divergenceMessage(const std::string& what) {
    return "The displacement estimate diverged (" + what +
           "); no map is given. Try other volumes or another order.";
}

// A map whose values are not finite, or that moves a voxel farther than its
// whole column (every sample outside the volume, where SSD finds its
// trivial minimum of 0), stops the estimation: saved, it would be a wrong
// result, and the repair below could never bring such values together.
void checkDisplacements(const Volume& vdm, const char* after) {
    std::size_t nonFinite = 0, absurd = 0;
    const float limit = static_cast<float>(vdm.ny());
    for (std::size_t i = 0; i < vdm.size(); ++i) {
        if (!std::isfinite(vdm[i]))
            ++nonFinite;
        else if (std::fabs(vdm[i]) > limit)
            ++absurd;
    }
    if (nonFinite > 0)
        throw std::runtime_error(
            divergenceMessage(std::to_string(nonFinite) + " values are not finite numbers " + after));
    if (absurd > 0)
        throw std::runtime_error(divergenceMessage(std::to_string(absurd) + " displacements exceed the " +
                                                   std::to_string(vdm.ny()) +
                                                   " voxels of the phase-encoding axis " + after));
}

double selectedDistance(const Volume& a, const Volume& b, bool useSsd) {
    return useSsd ? meanSquaredDifference(a, b) : ncc(a, b);
}

const char* distanceName(bool useSsd) {
    return useSsd ? "SSD" : "NCC";
}

// Cubic resampling of both sources through one coefficient store kept for
// the whole estimation.
class BothUndistorted {
public:
    void update(const Volume& srcAp, const Volume& srcPa, const Volume& vdm, Volume& apU, Volume& paU) {
        MIREL_ASSERT(vdm.dimensions() == srcAp.dimensions());
        MIREL_ASSERT(vdm.dimensions() == srcPa.dimensions());
        resampler_.prepare(srcAp);
        resampler_.resample(vdm, false, apU);
        resampler_.prepare(srcPa);
        resampler_.resample(vdm, true, paU);
    }

private:
    CubicResampler resampler_;
};

// The cost of one trial over the listed positions, summed in list order.
template <class Cost>
double trialCost(const Volume& apUndist, const Volume& paUndist, const std::vector<Position>& positions) {
    typename Cost::Sums sums;
    for (const Position& p : positions) {
        const std::size_t i = apUndist.index(p[0], p[1], p[2]);
        Cost::add(sums, apUndist[i], paUndist[i]);
    }
    return Cost::cost(sums);
}

}  // namespace

void prepareSources(const Volume& vol_ap, const Volume& vol_pa, const Volume& vdm,
                    bool useIntensityCorrection, Volume& srcAp, Volume& srcPa) {
    if (!useIntensityCorrection) {
        srcAp = vol_ap;
        srcPa = vol_pa;
        return;
    }
    const Volume deriv = yDerivative(inverseMap(vdm));
    Volume factor(vdm.dimensions());
    undistortLinear(factor, -deriv + 1.0f, vdm, false);
    srcAp = vol_ap * factor;
    undistortLinear(factor, deriv + 1.0f, vdm, true);
    srcPa = vol_pa * factor;
}

EstimationSchedule pluginSchedule(const std::array<double, 3>& voxel) {
    struct Stage {
        int box;
        int kFirst, kLast, kStep;
        float step;
        double numerator;
    } stages[] = {
        {7, -10, 10, 2, 0.5f, 20}, {7, -6, 6, 2, 0.4f, 12}, {5, -5, 5, 1, 0.3f, 6}, {5, -5, 5, 1, 0.15f, 2}};
    EstimationSchedule s;
    for (const Stage& st : stages) {
        s.localbox.emplace_back(st.box, st.box, st.box, 1.0f);
        std::vector<float> shifts;
        for (int k = st.kFirst; k <= st.kLast; k += st.kStep)
            shifts.push_back(static_cast<float>(k) * st.step);
        s.s_values.push_back(shifts);
        s.vdm_smoothing.push_back({st.numerator / std::sqrt(voxel[0]), st.numerator / std::sqrt(voxel[1]),
                                   st.numerator / std::sqrt(voxel[2])});
    }
    return s;
}

long improveInverseConsistency(Volume& vdm) {
    long adjustments = 0;
    for (int z = 0; z < vdm.nz(); ++z)
        for (int x = 0; x < vdm.nx(); ++x) {
            bool changed = true;
            for (long sweep = 0; changed; ++sweep) {
                if (sweep == kMaxRepairSweeps)
                    throw std::runtime_error(
                        divergenceMessage("the inverse-consistency repair did not settle in column x " +
                                          std::to_string(x) + ", z " + std::to_string(z)));
                changed = false;
                for (int y = 0; y + 1 < vdm.ny(); ++y) {
                    float& lo = vdm(x, y, z);
                    float& hi = vdm(x, y + 1, z);
                    if (std::fabs(lo - hi) > kFoldLimit) {
                        if (lo < hi)
                            lo += 0.05f, hi -= 0.05f;
                        else
                            lo -= 0.05f, hi += 0.05f;
                        ++adjustments;
                        changed = true;
                    }
                }
            }
        }
    return adjustments;
}

long consistencyCount(const Volume& vdm) {
    long count = 0;
    for (int z = 0; z < vdm.nz(); ++z)
        for (int y = 0; y + 1 < vdm.ny(); ++y)
            for (int x = 0; x < vdm.nx(); ++x)
                if (std::fabs(vdm(x, y + 1, z) - vdm(x, y, z)) > kFoldLimit) ++count;
    return count;
}

void optimiseStageLiteral(const Volume& vdm, const Volume& srcAp, const Volume& srcPa, Volume& apUndist,
                          Volume& paUndist, const Volume& box, const std::vector<float>& shifts, bool useSsd,
                          Volume& newMap, Volume& weight, std::vector<int>* chosen) {
    const int nx = vdm.nx(), ny = vdm.ny(), nz = vdm.nz();
    const int hx = box.nx() / 2, hy = box.ny() / 2, hz = box.nz() / 2;
    newMap = vdm;
    weight = Volume(vdm.dimensions(), 0.25f);
    if (chosen) chosen->assign(vdm.size(), -1);
    std::vector<Position> positions, boxCoordinates;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                if (!(apUndist(x, y, z) > kBright || paUndist(x, y, z) > kBright)) continue;
                positions.clear();
                boxCoordinates.clear();
                for (int zz = std::max(0, z - hz); zz <= std::min(nz - 1, z + hz); ++zz)
                    for (int yy = std::max(0, y - hy); yy <= std::min(ny - 1, y + hy); ++yy)
                        for (int xx = std::max(0, x - hx); xx <= std::min(nx - 1, x + hx); ++xx) {
                            positions.push_back({xx, yy, zz});
                            boxCoordinates.push_back({hx - x + xx, hy - y + yy, hz - z + zz});
                        }
                double best = std::numeric_limits<double>::infinity();
                int bestIndex = -1;
                for (std::size_t j = 0; j < shifts.size(); ++j) {
                    undistortLocal(apUndist, srcAp, vdm, positions, boxCoordinates, box, shifts[j], false);
                    undistortLocal(paUndist, srcPa, vdm, positions, boxCoordinates, box, shifts[j], true);
                    const double cost = useSsd
                                            ? trialCost<SquaredDifferenceCost>(apUndist, paUndist, positions)
                                            : trialCost<CorrelationCost>(apUndist, paUndist, positions);
                    if (cost < best) {
                        best = cost;
                        bestIndex = static_cast<int>(j);
                    }
                }
                if (bestIndex >= 0) newMap(x, y, z) += shifts[static_cast<std::size_t>(bestIndex)];
                weight(x, y, z) = 1.0f;
                if (chosen) (*chosen)[vdm.index(x, y, z)] = bestIndex;
            }
}

Volume estimateVdm(const FftApi& fft, const Volume& vol_ap, const Volume& vol_pa,
                   const std::array<double, 3>& columnSigma, bool useSsd, const EstimationSchedule& schedule,
                   bool useIntensityCorrection, std::ostream& log, int order) {
    const std::vector<Volume>& localbox = schedule.localbox;
    const std::vector<std::vector<float>>& s_values = schedule.s_values;
    const std::vector<std::array<double, 3>>& vdm_smoothing = schedule.vdm_smoothing;
    MIREL_ASSERT(vol_ap.dimensions() == vol_pa.dimensions());
    MIREL_ASSERT(localbox.size() == s_values.size());
    MIREL_ASSERT(localbox.size() == vdm_smoothing.size());

    Volume vdm = estimateColumnwise(fft, vol_ap, vol_pa, columnSigma, order, log);
    gaussianFilter(fft, vdm, {1.5, 1.5, 1.5}, {0, 0, 0}, true);
    checkDisplacements(vdm, "after the column-wise estimate");
    // Without intensity correction the sources are the volumes themselves.
    Volume correctedAp, correctedPa, apU, paU;
    const Volume& srcAp = useIntensityCorrection ? correctedAp : vol_ap;
    const Volume& srcPa = useIntensityCorrection ? correctedPa : vol_pa;
    BothUndistorted undistortBoth;
    if (useIntensityCorrection) prepareSources(vol_ap, vol_pa, vdm, true, correctedAp, correctedPa);
    undistortBoth.update(srcAp, srcPa, vdm, apU, paU);
    const double start = selectedDistance(apU, paU, useSsd);
    log << distanceName(useSsd) << " after applying smoothed VDM: " << start << std::endl;
    if (std::isnan(start)) {
        log << "Not-a-number values detected. Local optimization skipped. Please start again trying higher order."
            << std::endl;
        if (vdm.size() > 0) vdm[0] = -99.0f;
        return vdm;
    }
    log << "\nStarting local optimizations" << std::endl;
    const std::clock_t clockStart = std::clock();

    Volume newMap, weight;
    for (std::size_t s = 0; s < localbox.size(); ++s) {
        const std::array<double, 3>& widths = vdm_smoothing[s];
        if (!schedule.literalTrials && fastStageApplies(localbox[s], s_values[s])) {
            // One per stage: its scan state is freed before the smoothing
            // needs its own, which keeps the peak memory down.
            FastTrialLoop fastLoop;
            fastLoop.optimise({vdm, srcAp, srcPa, apU, paU, localbox[s], s_values[s], useSsd}, newMap, weight,
                              nullptr);
        } else {
            optimiseStageLiteral(vdm, srcAp, srcPa, apU, paU, localbox[s], s_values[s], useSsd, newMap,
                                 weight);
        }
        vdm = std::move(newMap);
        if (schedule.literalTrials) {
            weightedSmooth(vdm, gaussianKernel3d({9, 9, 9}, widths, {0, 0, 0}, false), weight, true);
        } else {
            // The Gaussian is separable: three 9-tap passes instead of 729 taps.
            weightedSmoothSeparable(vdm,
                                    {gaussianKernel1d(9, widths[0], 0), gaussianKernel1d(9, widths[1], 0),
                                     gaussianKernel1d(9, widths[2], 0)},
                                    weight, true);
        }
        checkDisplacements(vdm, "in the local optimisation");
        const long adjustments = improveInverseConsistency(vdm);
        log << "Smoothed (" << widths[0] << ") and needed " << adjustments
            << " iterations to improve inverse consistency" << std::endl;
        if (useIntensityCorrection) prepareSources(vol_ap, vol_pa, vdm, true, correctedAp, correctedPa);
        undistortBoth.update(srcAp, srcPa, vdm, apU, paU);
        log << "Finished iteration with " << distanceName(useSsd) << ": "
            << selectedDistance(apU, paU, useSsd) << std::endl;
    }

    log << "Other distance measure " << distanceName(!useSsd) << ": " << selectedDistance(apU, paU, !useSsd)
        << std::endl;
    const double seconds = static_cast<double>(std::clock() - clockStart) / CLOCKS_PER_SEC;
    log << "\nTime taken: " << seconds << std::endl;
    log << "Inverse consistency check VDM: "
        << (consistencyCount(vdm) == 0 ? "PASSED" : "some inconsistencies found") << std::endl;
    return vdm;
}

}  // namespace distortion::core
