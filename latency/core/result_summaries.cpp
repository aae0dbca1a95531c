#include "latency/core/result_summaries.h"

#include <algorithm>
#include <cmath>

#include "latency/numeric/special_functions.h"
#include "latency/numeric/statistics.h"

namespace latency::core {

const char* const kLatencyMapNames[2 * kMeasureCount] = {"Onset (secs)",
                                                         "Duration (secs)",
                                                         "Time-to-peak (secs)",
                                                         "Amplitude (psc)",
                                                         "Onset (single-trial)",
                                                         "Width (single-trial)",
                                                         "Time-to-peak (single-trial)",
                                                         "Amplitude (single-trial)"};

float validMean(const float* values, int n) {
    return numeric::validMeanAndSquaredStdError(values, n).mean;
}

void poolSingleTrials(const float* const values[kMeasureCount], int n, float confidence,
                      PooledMeasure out[kMeasureCount]) {
    numeric::ValidStatistics stats[kMeasureCount];
    for (int m = 0; m < kMeasureCount; ++m) stats[m] = numeric::validMeanAndSquaredStdError(values[m], n);
    const int degrees = stats[kAmplitude].count;
    // With no valid trial there is no spread to show; with one the squared
    // standard error is 0, so the half-width is 0 as well.
    const float t = degrees > 0 ? numeric::studentTInverse(confidence * 0.5f, degrees) : 0.0f;
    for (int m = 0; m < kMeasureCount; ++m) {
        out[m].mean = stats[m].mean;
        out[m].halfWidth =
            stats[m].count > 0 ? t * std::sqrt(std::max(stats[m].squaredStdError, 0.0f)) : 0.0f;
    }
}

void fillLatencyMap(const std::vector<int>& selected, const std::vector<int>& regionOf,
                    const float* regionValues, float* map, int voxelCount, ThresholdRange& range) {
    std::fill(map, map + voxelCount, 0.0f);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const float value = regionValues[regionOf[i]];
        map[selected[i]] = value;
        if (!(value > 0.0f)) continue;
        if (i == 0) {
            range.lower = value;
            range.upper = value;
        }
        range.lower = std::min(range.lower, value);
        range.upper = std::max(range.upper, value);
    }
}

}  // namespace latency::core
