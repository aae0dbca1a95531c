// The host's GLM file: the fitted maps of a (multi-study) GLM in functional
// resolution. It holds NrOfPredictors + 2 maps of one float per VTC voxel,
// map after map: map 0 the explained variance (R²), map 1 the residual
// standard deviation, then one beta map per predictor in predictor order.
#pragma once

#include "host/formats/format_io.h"

#include <filesystem>
#include <string>
#include <vector>

namespace talvora::formats {

struct GlmFile {
    static constexpr int kLeadingMaps = 2;
    int nrOfPredictors = 0;
    int nrOfStudies = 1;
    int separatePredictors = 0;  // 0 none, 1 per study, 2 or more per subject
    FunctionalGrid grid;
    std::vector<float> maps;  // (nrOfPredictors + 2) * grid.voxelCount()

    std::size_t nrOfMaps() const { return static_cast<std::size_t>(nrOfPredictors) + kLeadingMaps; }
};

GlmFile readGlmFile(const std::filesystem::path& path);
std::string encodeGlmFile(const GlmFile& glm);  // std::invalid_argument on bad input
void writeGlmFile(const std::filesystem::path& path, const GlmFile& glm);

}  // namespace talvora::formats
