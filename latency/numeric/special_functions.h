#pragma once
// Log-gamma, the regularised incomplete beta function and Student-t tail
// probabilities, in the classic recipe variants.

namespace latency::numeric {

// ln Gamma(x) for x > 0 by the Lanczos approximation (gamma = 5, six
// coefficients), in double precision; absolute error about 2e-10.
double logGamma(double x);

// Continued fraction of the incomplete beta function by the modified Lentz
// method (double precision, at most 100 iterations, relative tolerance 3e-7);
// an unconverged fraction is returned as it stands.
double incompleteBetaFraction(double a, double b, double x);

// Regularised incomplete beta I_x(a, b) for a, b > 0, returned in single
// precision; x outside [0, 1] gives 0.
float incompleteBeta(float a, float b, float x);

// Two-sided tail probability of Student's t with nu degrees of freedom,
// I_x(nu / 2, 1 / 2) with x = nu / (nu + t^2). nu >= 1.
float studentTwoSidedTail(float t, int nu);

// The t whose two-sided tail probability is p, by 25 steps of a halving
// search that starts at t = 4 with step 2 (good for t in about (0, 8)).
float studentTInverse(float p, int nu);

}  // namespace latency::numeric
