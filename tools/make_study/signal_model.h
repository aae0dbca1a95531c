// Voxel time courses of a synthetic study: per-voxel baseline intensity,
// each region's trapezoid responses to every trial, and Gaussian noise from
// a seeded generator (the same seed gives the same files on every platform).
#pragma once

#include "tools/make_study/study_design.h"

#include <cstdint>
#include <random>
#include <vector>

namespace study {

// Standard normal deviates by the Box-Muller transform over mt19937_64, so
// the sequence depends on the seed alone, not on the standard library.
class GaussianNoise {
public:
    explicit GaussianNoise(std::uint64_t seed) : engine_(seed) {}
    double next();
    double uniform();  // in [0, 1)

private:
    std::mt19937_64 engine_;
    bool haveSpare_ = false;
    double spare_ = 0.0;
};

// Baseline intensity of every VTC voxel (about 1000, varying by +-10 %),
// fixed by the seed and shared by all runs.
std::vector<float> voxelBaselines(const StudyDesign& design);

// Each region's summed response (0 ... 1 per trial) at every volume.
std::vector<std::vector<double>> regionResponses(const StudyDesign& design);

// One run's data, voxel after voxel (each voxel's volumes together), as the
// VTC file stores it. Noise SD per voxel = baseline x amplitude / SNR, the
// amplitude being the voxel's region's (the mean region amplitude outside).
std::vector<float> simulateRun(const StudyDesign& design, int run, const std::vector<float>& baselines,
                               const std::vector<std::vector<double>>& responses);

}  // namespace study
