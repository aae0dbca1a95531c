#pragma once
// Pieces of the trapezoid fit shared by the literal and the fast search, so
// both score a breakpoint set and build the final fit with the very same
// single-precision arithmetic.

#include "latency/core/trapezoid_fit.h"

namespace latency::core::trapezoid {

// Normalised values beyond this magnitude make the fit degenerate: the
// single-precision error sums could overflow.
constexpr float kMaxNormalisedMagnitude = 1e12f;

struct Normalisation {
    int peak = 0;
    float ymax = 0.0f;
    float ymin = 0.0f;
    bool degenerate = false;
};

// Peak (first largest sample), trough (smallest sample before the peak, or
// y[0]) and z[i] = (y[i] - ymin) / (ymax - ymin).
Normalisation normalise(const float* y, int n, float* z);

struct Levels {
    float base;
    float plateau;
    float back;
};

// Means of z over [0, i1], [i2, i3] and [i4, n-1].
Levels levelsOf(const float* z, int n, int i1, int i2, int i3, int i4);

// Writes the model curve of a breakpoint set with the given levels into g:
// the three flat parts, then the rise over i1 .. i2 and the fall over i3 .. i4.
void writeModel(float* g, int n, int i1, int i2, int i3, int i4, const Levels& levels);

// Squared error of a breakpoint set against z as the literal search defines
// it: each difference squared in double, summed in single precision.
// g is scratch space of n floats.
float setError(const float* z, int n, int i1, int i2, int i3, int i4, float* g);

// Fills out for the chosen breakpoints (levels and fitted curve), or as a
// degenerate fit when norm.degenerate.
void finishFit(const float* z, int n, const Normalisation& norm, int i1, int i2, int i3, int i4,
               TrapezoidFit& out);

// Throws std::invalid_argument unless n >= 4.
void requireBreakpointSets(int n);

}  // namespace latency::core::trapezoid
