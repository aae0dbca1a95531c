// A Granger causality study with known truth: a reference region whose time
// course follows a hidden driver, voxels driven by the reference at lag 1 or
// 2, voxels that carry the driver (and so drive the reference), voxels
// coupled to the reference instantaneously, and independent voxels; per
// subject one VTC with protocols in milliseconds and in volumes; the
// settings file and a job running every command of the Granger plug-in.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace study {

struct GrangerStudyOptions {
    int subjects = 3;
    int dimX = 12, dimY = 8, dimZ = 2;
    int volumes = 200;
    int trMs = 2000;
    bool sixteenBit = false;
    std::uint32_t seed = 1;
    bool referenceVoiCoords = false;
    std::string settings =
        "// Granger causality mapping settings\nAutoRegressionOrder= 2\n"
        "QThresholdsForFDR= 0.01 0.05 0.1\nNumSurrogateSimulations= 1000\n";
};

enum class VoxelKind { Reference, DrivenLag1, DrivenLag2, Driving, Instantaneous, Independent };

const char* kindName(VoxelKind kind);
// The kind of every voxel of the grid (x fastest).
std::vector<VoxelKind> grangerVoxelKinds(const GrangerStudyOptions& options);

// Subject ids "S01", "S02", ...
std::string subjectId(int subject);

// The Task intervals (first, last) in volumes.
std::vector<std::pair<int, int>> taskIntervals(int volumes);

// The job command running the Granger analysis of one subject's first VTC
// against the reference VOI, with time-window method `method`.
nlohmann::json grangerRunCommand(const std::string& subject, int method);

// Writes the study into `out` (created) and names what it wrote on `report`.
void writeGrangerStudy(const GrangerStudyOptions& options, const std::filesystem::path& out,
                       std::ostream& report);

// Simulated time courses of one subject, one row of `volumes` values per voxel.
std::vector<float> simulateGrangerSubject(const GrangerStudyOptions& options, int subject);

}  // namespace study
