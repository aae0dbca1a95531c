#include "latency/core/result_summaries.h"

#include <algorithm>
#include <cmath>

#include "latency/numeric/special_functions.h"
#include "latency/numeric/statistics.h"
#include "latency/io/text_format.h"

namespace latency {

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

std::vector<std::string> averageSummaryLines(int voiNumber, const std::string& voiName, bool deconvolution,
                                             const float means[kMeasureCount]) {
    const char* source = deconvolution ? "Deconvolution beta plots" : "Average trial signal";
    return {"       ",
            formatText("VOI n.: %i %s (%s)", voiNumber, voiName.c_str(), source),
            formatText("\t\tOnset delay [sec]: %f", means[kOnset]),
            formatText("\t\tWidth [sec]: %f", means[kWidth]),
            formatText("\t\tTime-to-peak [sec]: %f", means[kTimeToPeak]),
            formatText("\t\tAmplitude [psc]   : %f", means[kAmplitude]),
            "       "};
}

std::vector<std::string> singleTrialSummaryLines(float confidence,
                                                 const PooledMeasure pooled[kMeasureCount]) {
    const auto line = [&](const char* format, Measure m) {
        return formatText(format, pooled[m].mean, pooled[m].halfWidth);
    };
    return {"       ",
            formatText("Single-trial (mean and %f %% statistical confidence) :", confidence),
            line("\t\tOnset delay [sec]: %f (\u00b1%f)", kOnset),
            line("\t\tWidth (duration) [sec]: %f (\u00b1%f)", kWidth),
            line("\t\tTime-to-peak [sec]: %f (\u00b1%f)", kTimeToPeak),
            line("\t\tAmplitude [psc]   : %f (\u00b1%f)", kAmplitude),
            "       "};
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

}  // namespace latency
