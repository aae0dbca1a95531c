#pragma once
// Sample statistics in single precision. Data are n consecutive values
// data[0 .. n-1].

namespace latency::numeric {

// Sum in input order, divided by n. n >= 1.
float mean(const float* data, int n);

struct MeanAndVariance {
    float mean;
    float variance;  // corrected two-pass estimate; 0 when n < 2
};
MeanAndVariance meanAndVariance(const float* data, int n);

// Statistics over the valid values (>= 0); negative values mark bad fits.
struct ValidStatistics {
    float mean;             // -1 when no value is valid
    float squaredStdError;  // -1 when no value is valid, 0 with one valid value
    int count;              // number of valid values
};
// The squared standard error is (sum d^2 - (sum d)^2 / count) / (count (count - 1))
// with d = value - mean. One valid value gives 0 (a spread of nothing, so
// the confidence half-width shown is 0), and a result that rounding would
// make slightly negative is 0, so its square root is always defined.
ValidStatistics validMeanAndSquaredStdError(const float* data, int n);

}  // namespace latency::numeric
