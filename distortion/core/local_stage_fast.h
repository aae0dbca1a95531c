// A faster equivalent of the local-optimisation trial loop for boxes of
// ones and ascending shifts (the schedule the plug-in uses): the same
// choices as the literal loop on every voxel.
#pragma once

#include "distortion/core/containers.h"

#include <cstdint>
#include <vector>

namespace distortion::core {

bool fastStageApplies(const Volume& box, const std::vector<float>& shifts);

// One stage's inputs, as the literal loop takes them.
struct StageInputs {
    const Volume& vdm;
    const Volume& srcAp;
    const Volume& srcPa;
    const Volume& apUndist;
    const Volume& paUndist;
    const Volume& box;
    const std::vector<float>& shifts;
    bool useSsd;
};

// The trial loop of one stage, evaluated shift by shift over the whole
// volume instead of neighbourhood by neighbourhood. The phases share the
// scan state kept in the object.
class FastTrialLoop {
public:
    // Same contract as optimiseStageLiteral, except that the undistorted
    // volumes are left as they were.
    void optimise(const StageInputs& in, Volume& newMap, Volume& weight, std::vector<int>* chosen);

private:
    // In-range shifts of one voxel form an interval [lo, hi] (shifts
    // ascend); lo > hi when none is in range.
    struct Range {
        std::int16_t lo = 1, hi = 0;
        bool empty() const { return lo > hi; }
    };
    void scanRanges();
    void scanRaster();
    bool dependsOnHistory(std::uint32_t centre, const int lo[3], const int hi[3]) const;
    void markTouched(int x, int y, int z, const int lo[3], const int hi[3]);
    void seenValues(std::size_t shift);
    void rowTrials(std::size_t shift);
    template <class Cost>
    void historyTrials(std::size_t shift);
    float seen(bool pa, int x, int y, int z, std::size_t u, std::size_t shift) const;
    bool inRange(bool pa, int y, std::size_t u, std::size_t shift) const;
    bool resample(bool pa, int x, int y, int z, std::size_t u, std::size_t shift, float& out) const;

    const StageInputs* in_ = nullptr;
    int nx_ = 0, ny_ = 0, nz_ = 0, h_[3] = {0, 0, 0};
    std::vector<Range> rangeAp_, rangePa_;
    std::vector<float> leftAp_, leftPa_;
    std::vector<std::uint8_t> history_, optimised_, exact_;
    // The raster index of the first centre whose trials reached a voxel
    // (all ones when none did): "touched before centre c" is a comparison.
    std::vector<std::uint32_t> touchTime_;
    // Centres whose neighbourhood values depend on that history, in scan order.
    std::vector<std::uint32_t> historyCentres_;
    // Per row (y, z): whether any voxel of it has history, a quick test
    // before a neighbourhood is searched voxel by voxel.
    std::vector<std::uint8_t> historyRow_;
    // Per row of centres (y, z): the first and last centre the shift-wise
    // trials evaluate, first > last when none.
    std::vector<int> rowFirst_, rowLast_;
    std::vector<float> seenAp_, seenPa_;
    std::vector<float> productsAa_, productsBb_, productsAb_;
    std::vector<double> squares_;
    std::vector<double> bestCost_;
    std::vector<std::int16_t> bestIndex_;
    std::vector<float> rowSums_;
    std::vector<double> rowSquares_;
};

void optimiseStageFast(const Volume& vdm, const Volume& srcAp, const Volume& srcPa, const Volume& apUndist,
                       const Volume& paUndist, const Volume& box, const std::vector<float>& shifts,
                       bool useSsd, Volume& newMap, Volume& weight, std::vector<int>* chosen = nullptr);

}  // namespace distortion::core
