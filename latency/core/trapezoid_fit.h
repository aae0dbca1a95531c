#pragma once
// Trapezoid (piece-wise linear) fit of an event-related response and the
// response measures derived from it.
//
// The model is a flat baseline up to sample i1, a linear rise to the plateau
// that spans i2 .. i3, a linear fall and a flat return level from i4 on,
// fitted to the curve normalised to 0 = minimum before the peak and
// 1 = maximum. The breakpoints minimise the squared error over every set
// 0 <= i1 < i2 < i3 < i4 <= n-1; among equal errors the first set in the
// order (i1, i2, i3, i4) ascending wins.

#include <vector>

namespace latency::core {

struct TrapezoidFit {
    int samples = 0;  // n
    int peak = 0;     // index of the first largest sample
    int i1 = 0;       // last baseline sample
    int i2 = 1;       // first plateau sample
    int i3 = 2;       // last plateau sample
    int i4 = 3;       // first sample of the return level
    // Baseline, plateau and return level in normalised units.
    float level0 = 0.0f;
    float level1 = 0.0f;
    float level2 = 0.0f;
    // Normalisation range in the curve's own units.
    float ymax = 0.0f;
    float ymin = 0.0f;
    // The fitted trapezoid in the curve's own units, n values.
    std::vector<float> fitted;
    // True when the curve cannot be normalised (its first sample is its
    // maximum, or a value is not finite, or the normalised values exceed
    // 1e12 in magnitude). No search is done: breakpoints 0, 1, 2, 3, levels
    // 0, fitted curve flat at ymin; the response measures mark it a bad fit.
    bool degenerate = false;
};

// Fits with the fast exact search. Keeps its workspace between fits so that
// fitting many curves allocates only when n grows; nothing is allocated
// inside the search itself.
class TrapezoidFitter {
public:
    // Throws std::invalid_argument when n < 4 (no breakpoint set exists).
    TrapezoidFit fit(const float* y, int n);
    void fit(const float* y, int n, TrapezoidFit& out);

private:
    // Rounding reach of the fast error for curves of n samples, max |z| zmax.
    struct Band {
        int n;
        double zmax;
        double slack;
        double limit(double best) const;
    };

    void prepare(int n);
    double scanPlateaus(int n, const double* p0, const double* p2, const Band& band);

    int capacity_ = 0;
    std::vector<float> z_;        // normalised curve
    std::vector<float> model_;    // model curve of one breakpoint set
    std::vector<double> prefix_;  // prefix sums of z, i z and z^2
    std::vector<double> left_;    // per (i2, i1): error quadratic in the plateau level
    std::vector<double> right_;   // per (i3, i4): same for the fall and return level
    std::vector<double> pairBest_;
    std::vector<double> leftValue_;
    std::vector<double> rightValue_;
    std::vector<double> leftFloor_;   // per i2: least left error over every level
    std::vector<double> rightFloor_;  // per i3: least right error over every level
};

// One-off fast fit (allocates its own workspace).
TrapezoidFit fitTrapezoid(const float* y, int n);

// The literal exhaustive search: every breakpoint set scored by building its
// model curve, C(n, 4) sets of O(n) each, with per-set error and breakpoint
// arrays of C(n, 4) entries. Used to check the fast search; throws
// std::invalid_argument when n < 4.
TrapezoidFit fitTrapezoidReference(const float* y, int n);

struct ResponseMeasures {
    float onset = -1.0f;       // s
    float width = -1.0f;       // s
    float timeToPeak = -1.0f;  // s
    float amplitude = -1.0f;   // percent signal change
    bool badFit = true;        // all four are -1 when set
};

// Onset, width, time to peak and amplitude of a fit; dt is the sampling step
// in milliseconds. Every latency includes a 100 ms constant. A fit whose
// amplitude is not positive, or a degenerate fit, is a bad fit.
ResponseMeasures responseMeasures(const TrapezoidFit& fit, float dt, bool returnToBaseline);

}  // namespace latency::core
