#include "host/formats/glm_file.h"

#include <cstring>
#include <stdexcept>

namespace talvora::formats {
namespace {
constexpr const char* kMagic = "TALVORA-GLM";
constexpr int kVersion = 1;
constexpr long long kMaxPredictors = 10000;
}  // namespace

// Largest GLM: every map of the most predictors on the largest grid.
const std::uint64_t kMaxGlmBytes =
    saturatingSize(32767ull * 32767ull * 32767ull, (10000ull + 2) * 4, kMaxHeaderBytes);

GlmFile readGlmFile(const std::filesystem::path& path) {
    HeaderReader in(path, readWholeFile(path, kMaxGlmBytes));
    in.expectMagic(kMagic, kVersion, "Talvora GLM file");
    GlmFile glm;
    glm.nrOfPredictors = static_cast<int>(in.integer("NrOfPredictors", 1, kMaxPredictors));
    glm.nrOfStudies = static_cast<int>(in.integer("NrOfStudies", 1, kMaxPredictors));
    glm.separatePredictors = static_cast<int>(in.integer("SeparatePredictors", 0, 100));
    glm.grid = in.grid();
    const std::size_t count = glm.nrOfMaps() * glm.grid.voxelCount();
    const std::string_view bytes = in.binaryPayload(count * 4, "map values");
    glm.maps.resize(count);
    if (count) std::memcpy(glm.maps.data(), bytes.data(), count * 4);
    return glm;
}

std::string encodeGlmFile(const GlmFile& glm) {
    if (glm.nrOfPredictors < 1 || glm.nrOfStudies < 1 || glm.separatePredictors < 0 ||
        glm.separatePredictors > 100)
        throw std::invalid_argument(
            "GLM needs at least one predictor and one study, and a separate-predictors option 0 ... 100");
    if (glm.grid.resolution < 1 || glm.grid.voxelCount() == 0)
        throw std::invalid_argument("GLM grid is empty");
    if (glm.maps.size() != glm.nrOfMaps() * glm.grid.voxelCount())
        throw std::invalid_argument("GLM maps must hold (predictors + 2) x voxels values");
    std::string out = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    out += "NrOfPredictors: " + std::to_string(glm.nrOfPredictors) + "\n";
    out += "NrOfStudies: " + std::to_string(glm.nrOfStudies) + "\n";
    out += "SeparatePredictors: " + std::to_string(glm.separatePredictors) + "\n";
    writeGrid(out, glm.grid);
    out += "BinaryData:\n";
    appendFloats(out, glm.maps.data(), glm.maps.size());
    return out;
}

void writeGlmFile(const std::filesystem::path& path, const GlmFile& glm) {
    saveBytes(path, encodeGlmFile(glm));
}

}  // namespace talvora::formats
