// The per-voxel work of Granger causality mapping: lag covariances of every
// interval between the voxel and the reference (real and one randomly drawn
// surrogate), averaged over the intervals, and the Geweke measures of both.
// What depends only on the reference is prepared once per interval.
#pragma once

#include "granger/core/geweke.h"

#include <vector>

namespace granger::core {

class VoxelEngine {
public:
    VoxelEngine(int order, int nrOfSurrogates);

    // One interval (first, last; 1-based, inclusive) of VTC entry `entry`:
    // `reference` is the entry's full reference time course, `surrogates` its
    // simulated series (nrOfSurrogates rows of `surrogateLength` values).
    void addInterval(int entry, int first, int last, const std::vector<float>& reference,
                     const std::vector<float>& surrogates, int surrogateLength);

    enum class Status { Computed, IllDefined, SurrogateIllDefined };

    // `voxelCourses[e]` points to the voxel's time course in entry e's target
    // VTC. Draws one surrogate per interval from the process-wide generator.
    Status compute(const float* const* voxelCourses, GewekeMeasures& real, GewekeMeasures& null);

    int order() const { return order_; }
    std::size_t intervalCount() const { return intervals_.size(); }

private:
    struct Interval {
        int entry = 0;
        int first = 0;  // 0-based
        int n = 0;
        std::vector<float> ref;        // detrended
        std::vector<double> refAuto;   // p + 1
        std::vector<float> surr;       // nrOfSurrogates x n, detrended
        std::vector<double> surrAuto;  // nrOfSurrogates x (p + 1)
        std::vector<float> tau;        // the centred ramp of the interval
        float tauSquares = 0.0f;
    };
    int order_;
    int nrOfSurrogates_;
    std::vector<Interval> intervals_;
    std::vector<float> voxel_;
    LagCovariances real_, null_;
};

}  // namespace granger::core
