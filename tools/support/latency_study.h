#pragma once
// Small synthetic studies for the latency run, written with the stand-in
// host's file writers: a VTC whose voxels respond to every trial with a
// known trapezoid, its protocol, VOIs, a mask and a deconvolution GLM.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace latency_test {

// A trapezoid response in fractional signal change: flat until delay, a
// linear rise, a plateau of `amplitude`, a linear fall back to 0.
struct Response {
    int delayMs = 2000;
    int riseMs = 2000;
    int plateauMs = 4000;
    int fallMs = 2000;
    float amplitude = 0.02f;

    // The response `t` ms after the onset.
    double at(double t) const;
};

struct Grid {
    int resolution = 3;
    int xStart = 30, xEnd = 42;  // 4 cells
    int yStart = 30, yEnd = 42;  // 4 cells
    int zStart = 30, zEnd = 36;  // 2 cells
    int dimX() const { return (xEnd - xStart) / resolution; }
    int dimY() const { return (yEnd - yStart) / resolution; }
    int dimZ() const { return (zEnd - zStart) / resolution; }
    int voxelCount() const { return dimX() * dimY() * dimZ(); }
    int index(int x, int y, int z) const { return (z * dimY() + y) * dimX() + x; }
};

struct VtcSpec {
    Grid grid;
    int tr = 1000;
    int volumes = 84;
    float baseline = 1000.0f;
    std::vector<int> onsets = {4000, 24000, 44000, 64000};
    // Response of a VTC voxel (by linear index); nullopt: no response.
    std::function<std::optional<Response>(int voxel)> responseOf;
    std::vector<float> trialScale;  // per trial, multiplies the response (default 1)
    double noiseSd = 0.0;           // in signal units
    std::uint32_t seed = 1;
    bool floatData = true;
    std::string protocolName;  // written into the VTC header when not empty
};

// Values of a VTC (voxel after voxel, each its whole time course).
std::vector<float> vtcValues(const VtcSpec& spec);

void writeVmr(const std::filesystem::path& path, int dim = 64);
void writeVtc(const std::filesystem::path& path, const VtcSpec& spec);

struct Condition {
    std::string name;
    std::vector<int> starts;
};
// Intervals end 1000 ms (or 1 volume) after they start.
void writeProtocol(const std::filesystem::path& path, const std::vector<Condition>& conditions,
                   bool milliseconds = true);

struct Voi {
    std::string name;
    std::vector<std::int32_t> coords;  // c0 c1 c2 per voxel
};
void writeVois(const std::filesystem::path& path, const std::vector<Voi>& vois, int convention = 1);
// The anatomical voxels (volume coordinates) of VTC cell (x, y, z):
// every voxel whose rounding lands in that cell.
std::vector<std::int32_t> cellVoxels(const Grid& grid, int x, int y, int z);

void writeMask(const std::filesystem::path& path, const Grid& grid,
               const std::function<bool(int voxel)>& inside);

// A one-study GLM: maps 0 and 1 (unused), then `points` deconvolution
// betas per voxel (betasOf gives them, in percent), then a constant.
void writeGlm(const std::filesystem::path& path, const Grid& grid, int points, int studies,
              int separateOption, const std::function<float(int study, int voxel, int point)>& betasOf);

}  // namespace latency_test
