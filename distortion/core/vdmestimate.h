// Estimation of a voxel displacement map from two volumes acquired with
// opposite phase-encoding directions (phase encoding along y).
#pragma once

#include "distortion/core/containers.h"
#include "distortion/core/fft_api.h"

#include <array>
#include <ostream>
#include <vector>

namespace distortion::core {

// One entry per stage of the local optimisation.
struct EstimationSchedule {
    std::vector<Volume> localbox;                      // box of weights; its size sets the neighbourhood
    std::vector<std::vector<float>> s_values;          // trial shifts in voxels
    std::vector<std::array<double, 3>> vdm_smoothing;  // widths of the smoothing after the stage
    // Run every trial one voxel at a time even where box sums give the same
    // choice, and smooth with the full 3-D kernel (reference and benchmark).
    bool literalTrials = false;
};

// The four stages the plug-in runs: boxes 7, 7, 5, 5; shifts k * step for
// k in -10..10 by 2 (step 0.5), -6..6 by 2 (0.4), -5..5 (0.3), -5..5 (0.15);
// smoothing widths 20, 12, 6, 2 over the square root of the voxel size.
EstimationSchedule pluginSchedule(const std::array<double, 3>& voxelSize);

// The map of `vol_ap` (voxels along y). A first voxel of -99 marks an
// estimation abandoned because the distance was not a number.
Volume estimateVdm(const FftApi& fft, const Volume& vol_ap, const Volume& vol_pa,
                   const std::array<double, 3>& columnSigma, bool useSsd, const EstimationSchedule& schedule,
                   bool useIntensityCorrection, std::ostream& log, int order);

// Fast column-wise estimate: a linear stretch and shift per column along y.
Volume estimateColumnwise(const FftApi& fft, const Volume& vol_ap, const Volume& vol_pa,
                          const std::array<double, 3>& sigma, int order, std::ostream& log);

// Source volumes for resampling; with intensity correction each is scaled
// by the Jacobian of its resampling.
void prepareSources(const Volume& vol_ap, const Volume& vol_pa, const Volume& vdm,
                    bool useIntensityCorrection, Volume& srcAp, Volume& srcPa);

// Moves neighbouring values more than one voxel apart towards each other in
// steps of 0.05 until no pair in the column does; returns the adjustments.
long improveInverseConsistency(Volume& vdm);
// Pairs of vertically adjacent values more than one voxel apart.
long consistencyCount(const Volume& vdm);

// One stage of the local optimisation: the trial loop, written as the
// method states it (used by the estimation and as a reference for tests).
// Returns the new map before smoothing, and the weights.
void optimiseStageLiteral(const Volume& vdm, const Volume& srcAp, const Volume& srcPa, Volume& apUndist,
                          Volume& paUndist, const Volume& box, const std::vector<float>& shifts, bool useSsd,
                          Volume& newMap, Volume& weight, std::vector<int>* chosen = nullptr);

}  // namespace distortion::core
