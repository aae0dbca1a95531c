#include "latency/core/trial_extraction.h"

#include <algorithm>
#include <cmath>

#include "latency/numeric/spline.h"

namespace latency::core {
namespace {

long trialRows(const TrialSetup& setup) {
    return static_cast<long>(setup.onsets.size());
}

bool usableBaseline(float baseline) {
    return baseline != 0.0f && std::isfinite(baseline);
}

}  // namespace

TrialPlan planTrials(const int* onsets, int count, int volumes, int tr, float window) {
    TrialPlan plan;
    const int used = std::min(count, kMaxTrials);
    plan.truncated = count > kMaxTrials;
    plan.onsets.assign(onsets, onsets + std::max(used, 0));
    if (!plan.onsets.empty()) {
        const long long span = static_cast<long long>(volumes) * tr - plan.onsets.back();
        if (static_cast<float>(span) < window) {
            plan.onsets.pop_back();
            plan.lastDropped = true;
        }
    }
    return plan;
}

TrialWindow trialWindow(const float* times, int count, int onset, float window) {
    TrialWindow w;
    const float onsetTime = static_cast<float>(onset);
    int first = 0;
    while (first < count && !(times[first] > onsetTime)) ++first;
    // No later sample: the trial starts at sample 0 (the last-trial check
    // keeps such onsets out in any ordered protocol).
    w.start = first < count ? std::max(first - 1, 0) : 0;

    const float endTime = onsetTime + window;
    int past = 1;
    while (past < count && !(times[past] > endTime)) ++past;
    // Without a later sample the window would run past the computed samples:
    // it ends at the last one.
    w.end = past < count ? past - 1 : count - 1;
    w.length = std::max(w.end - w.start + 1, 0);
    return w;
}

TrialExtractor::TrialExtractor(const TrialSetup& setup)
    : volumes_(setup.volumes),
      factor_(setup.factor),
      capacity_(setup.volumes * setup.factor),
      interpolated_(numeric::resampledCount(setup.volumes, setup.factor)),
      knots_(0, setup.volumes - 1),
      times_(0, capacity_ - 1),
      values_(0, capacity_ - 1),
      sum_(0, capacity_ - 1),
      average_(0, capacity_ - 1),
      baselines_(0, trialRows(setup) - 1),
      fitLength_(0, trialRows(setup) - 1),
      usable_(0, trialRows(setup) - 1),
      curves_(0, trialRows(setup) - 1, 0, capacity_ - 1) {
    for (int i = 0; i < volumes_; ++i) knots_[i] = static_cast<float>(static_cast<long long>(i) * setup.tr);
    // The sample times are those the interpolation itself produces.
    std::fill(sum_.get(), sum_.get() + capacity_, 0.0f);
    numeric::resampleSpline(knots_.get(), sum_.get(), volumes_, factor_, times_.get(), values_.get());
    step_ = interpolated_ > 1 ? times_[1] : static_cast<float>(setup.tr);
    for (int onset : setup.onsets)
        windows_.push_back(trialWindow(times_.get(), interpolated_, onset, setup.window));
    std::fill(average_.get(), average_.get() + capacity_, 0.0f);
}

void TrialExtractor::extract(const float* course) {
    numeric::resampleSpline(knots_.get(), course, volumes_, factor_, times_.get(), values_.get());
    const float* y = values_.get();
    const int baselineSpan = 2 * factor_ + 1;
    float* sum = sum_.get();
    std::fill(sum, sum + capacity_, 0.0f);
    float baselineTotal = 0.0f;

    for (int j = 0; j < trialCount(); ++j) {
        const TrialWindow& w = windows_[static_cast<std::size_t>(j)];
        // Baseline: samples s - 2f .. s, leaving out index 0 and below, but
        // always divided by 2f + 1.
        float baselineSum = 0.0f;
        for (int i = std::max(w.start - 2 * factor_, 1); i <= w.start; ++i) baselineSum += y[i];
        const float baseline = baselineSum / static_cast<float>(baselineSpan);
        baselines_[j] = baseline;
        commonLength_ = std::min(commonLength_, w.length);
        fitLength_[j] = commonLength_;

        float* curve = curves_[j];
        const bool usable = usableBaseline(baseline);
        usable_[j] = usable ? 1 : 0;
        for (int k = 0; k < w.length; ++k) {
            const float v = y[w.start + k];
            curve[k] = usable ? static_cast<float>((static_cast<double>(v) - baseline) / baseline) : 0.0f;
            sum[k] += v;
        }
        baselineTotal += baselineSum;
    }

    float* average = average_.get();
    const int n = averageLength();
    const int trials = trialCount();
    averageBaseline_ = trials > 0 ? baselineTotal / static_cast<float>(trials * baselineSpan) : 0.0f;
    averageUsable_ = trials > 0 && usableBaseline(averageBaseline_);
    for (int k = 0; k < n; ++k) {
        const float mean = sum[k] / static_cast<float>(trials);
        average[k] = averageUsable_ ? (mean - averageBaseline_) / averageBaseline_ : 0.0f;
    }
}

int deconvolutionPoints(int predictors, int studies, int separateOption) {
    const int points = predictors - studies;
    return separateOption == 1 && studies > 0 ? points / studies : points;
}

int deconvolutionBlockStart(int points, int vtcIndex, bool separateStudyPredictors) {
    return separateStudyPredictors ? points * vtcIndex + 2 : 2;
}

void betaResponse(const float* betas, int first, int last, float* out) {
    for (int k = first; k <= last; ++k) out[k - first] = betas[k] / 100.0f;
}

}  // namespace latency::core
