#include "latency/numeric/statistics.h"

namespace latency::numeric {

float mean(const float* data, int n) {
    float sum = 0.0f;
    for (int i = 0; i < n; ++i) sum += data[i];
    return sum / static_cast<float>(n);
}

MeanAndVariance meanAndVariance(const float* data, int n) {
    const float m = mean(data, n);
    if (n < 2) return {m, 0.0f};
    // The sum of deviations corrects the rounding error of the mean.
    float sumDev = 0.0f;
    float sumSq = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float d = data[i] - m;
        sumDev += d;
        sumSq += d * d;
    }
    const float fn = static_cast<float>(n);
    return {m, (sumSq - sumDev * sumDev / fn) / (fn - 1.0f)};
}

ValidStatistics validMeanAndSquaredStdError(const float* data, int n) {
    int count = 0;
    float sum = 0.0f;
    for (int i = 0; i < n; ++i) {
        if (data[i] >= 0.0f) {
            sum += data[i];
            ++count;
        }
    }
    if (count == 0) return {-1.0f, -1.0f, 0};
    const float fc = static_cast<float>(count);
    const float m = sum / fc;
    if (count == 1) return {m, 0.0f, 1};

    float sumDev = 0.0f;
    float sumSq = 0.0f;
    for (int i = 0; i < n; ++i) {
        if (data[i] >= 0.0f) {
            const float d = data[i] - m;
            sumDev += d;
            sumSq += d * d;
        }
    }
    const float sse = (sumSq - sumDev * sumDev / fc) / (fc * (fc - 1.0f));
    return {m, sse > 0.0f ? sse : 0.0f, count};
}

}  // namespace latency::numeric
