#pragma once
// From a region's time course to event-related response curves: cubic
// spline interpolation, trials cut around the onsets of the reference
// condition, fractional signal change against a pre-stimulus baseline, and
// the average trial. Also the deconvolution-beta response of GLM mode.
//
// Plain data in and out; the working buffers are allocated once per VTC
// (one TrialExtractor per VTC) with the offset-indexed allocators.

#include <vector>

#include "latency/numeric/offset_array_owners.h"

namespace latency::core {

// The result stores keep at most this many trials per VTC.
constexpr int kMaxTrials = 100;
// The common trial length before any trial has been cut.
constexpr int kInitialCommonLength = 10000;

struct TrialPlan {
    std::vector<int> onsets;   // onsets of the used trials (ms), protocol order
    bool truncated = false;    // the condition had more than kMaxTrials trials
    bool lastDropped = false;  // the last trial's window runs past the series
};

// The used trials of one VTC: the first kMaxTrials onsets, less the last of
// them when volumes * tr - its onset < window.
TrialPlan planTrials(const int* onsets, int count, int volumes, int tr, float window);

struct TrialWindow {
    int start = 0;   // s: the last sample at or before the onset
    int end = 0;     // e: the last sample at or before onset + window
    int length = 0;  // e - s + 1
};

// The window of a trial over the interpolated sample times[0 .. count-1].
// A window that reaches past the last sample is shortened to end there; an
// onset before the first sample starts at sample 0.
TrialWindow trialWindow(const float* times, int count, int onset, float window);

struct TrialSetup {
    int volumes = 0;          // samples of a region time course (>= 2)
    int tr = 0;               // ms (> 0)
    int factor = 1;           // interpolation factor, 1 .. 4
    float window = 0.0f;      // ms
    std::vector<int> onsets;  // used trials (planTrials)
};

class TrialExtractor {
public:
    explicit TrialExtractor(const TrialSetup& setup);

    // Interpolates one region time course (setup.volumes values), cuts and
    // normalises every trial and forms the average trial. The common length
    // carries over from one region to the next, as trial boundaries do.
    void extract(const float* course);

    int trialCount() const { return static_cast<int>(windows_.size()); }
    const TrialWindow& window(int j) const { return windows_[static_cast<std::size_t>(j)]; }
    // Sampling step of the interpolated course, TR / f (time of sample 1).
    float samplingStep() const { return step_; }
    int interpolatedCount() const { return interpolated_; }
    const float* interpolated() const { return values_.get(); }

    // L: the shortest trial cut so far in this VTC.
    int commonLength() const { return commonLength_; }
    // L as it stood once trial j of the last region was cut: the number of
    // samples its single-trial fit uses.
    int fitLength(int j) const { return fitLength_[j]; }

    // Trial j of the last region, length window(j).length; all zeros when
    // its baseline mean is zero or not finite (no fractional change exists).
    const float* trialCurve(int j) const { return curves_[j]; }
    bool trialUsable(int j) const { return usable_[j] != 0; }
    float trialBaseline(int j) const { return baselines_[j]; }

    // The average trial of the last region, averageLength() values; zeros
    // when its baseline mean is zero or not finite, or without trials.
    const float* averageCurve() const { return average_.get(); }
    int averageLength() const { return trialCount() > 0 ? commonLength_ : 0; }
    bool averageUsable() const { return averageUsable_; }
    float averageBaseline() const { return averageBaseline_; }

private:
    int volumes_;
    int factor_;
    int capacity_;      // volumes * factor
    int interpolated_;  // (volumes - 1) * factor + 1
    float step_ = 0.0f;
    std::vector<TrialWindow> windows_;
    int commonLength_ = kInitialCommonLength;
    bool averageUsable_ = false;
    float averageBaseline_ = 0.0f;

    numeric::FloatVector knots_;
    numeric::FloatVector times_;
    numeric::FloatVector values_;
    numeric::FloatVector sum_;
    numeric::FloatVector average_;
    numeric::FloatVector baselines_;
    numeric::IntVector fitLength_;
    numeric::IntVector usable_;
    numeric::FloatMatrix curves_;
};

// Number of deconvolution points of a GLM: predictors - studies, divided by
// the studies (truncating) with separate study predictors (option 1).
int deconvolutionPoints(int predictors, int studies, int separateOption);

// Map index in the host's beta array where the deconvolution block of VTC
// vtcIndex (0-based) starts.
int deconvolutionBlockStart(int points, int vtcIndex, bool separateStudyPredictors);

// The beta response of a region: betas[first .. last], each divided by 100.
void betaResponse(const float* betas, int first, int last, float* out);

}  // namespace latency::core
