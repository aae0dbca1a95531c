#pragma once
// Results across VTCs: the mean of each measure over the VTCs with a valid
// value, the pooled single-trial statistics with their confidence
// half-widths, and the latency maps filled from region values with their
// display thresholds.

#include <vector>

namespace latency::core {

// Index of a measure in the per-measure arrays below.
enum Measure { kOnset = 0, kWidth = 1, kTimeToPeak = 2, kAmplitude = 3 };
constexpr int kMeasureCount = 4;

// Mean of the values that are not negative; -1 when there is none.
float validMean(const float* values, int n);

struct PooledMeasure {
    float mean = -1.0f;      // over the valid trials; -1 when none is valid
    float halfWidth = 0.0f;  // t * sqrt(squared standard error); 0 with fewer than 2 trials
};

// Pools the single trials of one region: values[m] holds the n trial values
// of measure m (bad fits negative). The t value uses the probability
// confidence / 2 and as many degrees of freedom as there are valid
// amplitudes (a bad fit invalidates all four measures at once).
void poolSingleTrials(const float* const values[kMeasureCount], int n, float confidence,
                      PooledMeasure out[kMeasureCount]);

// Names of the latency maps in index order: four from the across-VTC means,
// then four from the pooled single-trial means.
extern const char* const kLatencyMapNames[2 * kMeasureCount];

// Display thresholds carried from map to map.
struct ThresholdRange {
    float lower = 0.1f;
    float upper = 0.1f;
};

// Fills one map of voxelCount values in linear order: 0 outside every
// region, the value of the voxel's region elsewhere. selected[i] is the
// linear index of selected voxel i (in linear order) and regionOf[i] its
// region. The first selected voxel, when positive, resets the range to its
// value; every positive value widens it.
void fillLatencyMap(const std::vector<int>& selected, const std::vector<int>& regionOf,
                    const float* regionValues, float* map, int voxelCount, ThresholdRange& range);

}  // namespace latency::core
