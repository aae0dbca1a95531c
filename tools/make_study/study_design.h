// The layout of a synthetic event-related study: its grid, timing, regions
// with known trapezoid-shaped responses, mask and VOIs, and the response
// measures the latency fit should report for each region.
#pragma once

#include "host/formats/format_io.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace study {

struct StudyOptions {
    int vtcs = 2;
    double snr = 3.0;  // response amplitude / noise SD per voxel; 0: no noise
    std::uint64_t seed = 1;
    std::array<int, 3> dims{0, 0, 0};  // VTC grid; 0 0 0: chosen from the other options
    int trMs = 1000;
    int trials = 12;
    int regions = 3;
    int maskSize = 0;      // > 0: a voxel-wise mask of exactly this many voxels
    int factor = 1;        // interpolation factor the jobs answer
    int windowMs = 16000;  // time window the jobs answer
    bool glm = true;
    bool glmSeparatePredictors = true;
    bool referenceVoiCoords = false;  // VOIs in the reference (Talairach) convention
};

// A trapezoid response: flat until onset, linear rise, plateau, linear fall
// back to baseline; times in ms after the stimulus, amplitude in percent
// signal change.
struct ResponseShape {
    int onsetMs = 0, riseMs = 0, plateauMs = 0, fallMs = 0;
    double amplitudePsc = 0.0;
    int endMs() const { return onsetMs + riseMs + plateauMs + fallMs; }
};

// Response value (0 ... 1) at `tMs` after the stimulus.
double trapezoidValue(const ResponseShape& shape, double tMs);

// What the latency fit reports for a noise-free sampled response whose
// breakpoints fall on samples (return-to-baseline on): onset, width and time
// to peak in seconds, each counted in samples of `dtMs` plus the fit's
// constant 100 ms; amplitude in percent signal change.
// On a flat plateau noise moves the largest sample anywhere along it, so
// the time to peak of a noisy response lies between the plateau's first
// sample (timeToPeakS, the noise-free value) and its last.
struct ExpectedMeasures {
    double onsetS = 0, widthS = 0, timeToPeakS = 0, amplitudePsc = 0;
    double timeToPeakLatestS = 0;
};
ExpectedMeasures expectedMeasures(const ResponseShape& shape, double dtMs);

struct VoxelBox {  // VTC voxel indices, end exclusive
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0, z0 = 0, z1 = 0;
    bool contains(int x, int y, int z) const {
        return x >= x0 && x < x1 && y >= y0 && y < y1 && z >= z0 && z < z1;
    }
};

struct Region {
    std::string name;
    VoxelBox box;
    ResponseShape response;
};

struct StudyDesign {
    StudyOptions options;
    std::array<int, 3> vmrDims{256, 256, 256};
    talvora::formats::FunctionalGrid grid;
    int nrOfVolumes = 0;
    int itiMs = 0;
    std::vector<int> onsetsMs;  // stimulus onsets, multiples of TR
    int stimulusMs = 1000;      // event duration written to the protocol
    std::vector<Region> regions;
    std::vector<std::uint8_t> mask;  // one byte per VTC voxel
    int deconvolutionPoints = 0;     // FIR lags of the GLM

    int dimX() const { return grid.dimX(); }
    int dimY() const { return grid.dimY(); }
    int dimZ() const { return grid.dimZ(); }
    std::size_t voxelCount() const { return grid.voxelCount(); }
    std::size_t voxelIndex(int x, int y, int z) const {
        return (static_cast<std::size_t>(z) * dimY() + y) * dimX() + x;
    }
    // Region owning a VTC voxel, or -1.
    int regionOf(int x, int y, int z) const;
    // Window the jobs answer (clipped to what the dialog allows).
    int jobWindowMs() const;
};

// Lays the study out; throws std::invalid_argument naming the option that
// makes the study impossible.
StudyDesign planStudy(const StudyOptions& options);

// Anatomical voxels (volume coordinates) whose nearest VTC voxel, as the
// latency plug-in maps them, is (x, y, z).
std::vector<std::array<int, 3>> anatomicalVoxelsOf(const talvora::formats::FunctionalGrid& grid, int x, int y,
                                                   int z);

}  // namespace study
