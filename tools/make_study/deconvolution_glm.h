// A deconvolution (finite impulse response) GLM of the study's runs: one
// stick predictor per lag 0 ... P-1 after each stimulus onset, and one
// constant per run; fitted by ordinary least squares in every voxel.
// Runs are added one at a time so only one run's data is held at once.
#pragma once

#include "host/formats/glm_file.h"
#include "tools/make_study/study_design.h"

#include <vector>

namespace study {

class DeconvolutionGlm {
public:
    // separatePredictors: each run gets its own P lag predictors (option 1);
    // otherwise all runs share them (option 0). Predictor order: the lag
    // predictors (run after run when separate), then one constant per run.
    DeconvolutionGlm(const StudyDesign& design, bool separatePredictors);

    void addRun(int run, const std::vector<float>& data);

    // The GLM maps: R², residual SD, then per predictor its beta; lag betas
    // in percent of the run's constant, constants in signal units.
    talvora::formats::GlmFile finish();

    int lags() const { return lags_; }

private:
    // Cross products of a run's predictors (P lags + constant) with the data.
    void crossProducts(const float* y, std::vector<double>& xty, double& sum, double& sumSquares) const;

    const StudyDesign& design_;
    bool separate_;
    int lags_;
    int runs_;
    std::vector<int> onsetVolumes_;
    std::vector<double> runGram_;  // (P + 1)^2, one run's X'X
    talvora::formats::GlmFile glm_;
    // Shared predictors: per voxel accumulated X'y (P lags + one per run).
    std::vector<double> sharedXty_;
    // Per voxel: total and residual sums of squares.
    std::vector<double> tss_, rss_, yty_;
    int added_ = 0;
};

// Solves A x = b for a symmetric positive definite A (n x n, row-major)
// by a Cholesky factorisation; throws std::runtime_error when A is singular.
std::vector<double> solveSymmetric(std::vector<double> a, std::vector<double> b, int n);

}  // namespace study
