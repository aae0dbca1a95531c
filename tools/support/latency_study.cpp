#include "tools/support/latency_study.h"

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "frame/grid.h"
#include "host/formats/glm_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"

namespace latency_test {
namespace fs = std::filesystem;
namespace formats = talvora::formats;

namespace {

formats::FunctionalGrid functionalGrid(const Grid& g) {
    formats::FunctionalGrid out;
    tl::copyGridBox(g, out);
    return out;
}

}  // namespace

double Response::at(double t) const {
    const double riseStart = delayMs;
    const double plateauStart = riseStart + riseMs;
    const double fallStart = plateauStart + plateauMs;
    const double fallEnd = fallStart + fallMs;
    if (t <= riseStart || t >= fallEnd) return 0.0;
    if (t < plateauStart) return amplitude * (t - riseStart) / riseMs;
    if (t <= fallStart) return amplitude;
    return amplitude * (fallEnd - t) / fallMs;
}

std::vector<float> vtcValues(const VtcSpec& spec) {
    const int voxels = spec.grid.voxelCount();
    std::vector<float> values(static_cast<std::size_t>(voxels) * spec.volumes);
    std::mt19937 rng(spec.seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int v = 0; v < voxels; ++v) {
        const std::optional<Response> response =
            spec.responseOf ? spec.responseOf(v) : std::optional<Response>{};
        for (int i = 0; i < spec.volumes; ++i) {
            const double t = static_cast<double>(i) * spec.tr;
            double change = 0.0;
            if (response)
                for (std::size_t j = 0; j < spec.onsets.size(); ++j) {
                    const double scale = j < spec.trialScale.size() ? spec.trialScale[j] : 1.0;
                    if (t >= spec.onsets[j]) change += scale * response->at(t - spec.onsets[j]);
                }
            double value = spec.baseline * (1.0 + change);
            if (spec.noiseSd > 0.0) value += spec.noiseSd * noise(rng);
            values[static_cast<std::size_t>(v) * spec.volumes + i] = static_cast<float>(value);
        }
    }
    return values;
}

void writeVmr(const fs::path& path, int dim) {
    formats::VmrFile vmr;
    vmr.dimX = vmr.dimY = vmr.dimZ = dim;
    formats::writeVmrFile(path, vmr);
}

void writeVtc(const fs::path& path, const VtcSpec& spec) {
    formats::VtcHeader header;
    header.version = 3;
    header.sourceFMR = "synthetic.fmr";
    header.hasProtocol = !spec.protocolName.empty();
    header.protocolName = spec.protocolName;
    header.dataType = spec.floatData ? 2 : 1;
    header.nrOfVolumes = spec.volumes;
    header.grid = functionalGrid(spec.grid);
    header.tr = static_cast<float>(spec.tr);
    const std::vector<float> values = vtcValues(spec);
    if (spec.floatData) {
        formats::writeVtcFile(path, header, values);
    } else {
        std::vector<std::uint16_t> ints(values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            ints[i] = static_cast<std::uint16_t>(values[i] + 0.5f);
        formats::writeVtcFile(path, header, {}, ints);
    }
}

void writeProtocol(const fs::path& path, const std::vector<Condition>& conditions, bool milliseconds) {
    formats::ProtocolFile protocol;
    protocol.timeUnit = milliseconds ? formats::ProtocolFile::TimeUnit::Milliseconds
                                     : formats::ProtocolFile::TimeUnit::Volumes;
    for (const Condition& c : conditions) {
        formats::ProtocolCondition condition;
        condition.name = c.name;
        for (int start : c.starts) {
            condition.starts.push_back(start);
            condition.ends.push_back(start + (milliseconds ? 1000 : 1));
        }
        protocol.conditions.push_back(condition);
    }
    formats::writeProtocolFile(path, protocol);
}

void writeVois(const fs::path& path, const std::vector<Voi>& vois, int convention) {
    formats::VoiFile file;
    file.convention = convention;
    for (const Voi& voi : vois) file.vois.push_back({voi.name, voi.coords});
    formats::writeVoiFile(path, file);
}

std::vector<std::int32_t> cellVoxels(const Grid& grid, int x, int y, int z) {
    // Cell c covers coordinates start + res c - res/2 ... (rounded to the nearest cell).
    std::vector<std::int32_t> coords;
    const auto inCell = [&](int coordinate, int start, int cell) {
        const float position =
            static_cast<float>(coordinate - start) / static_cast<float>(grid.resolution) + 0.5f;
        return static_cast<int>(std::floor(position)) == cell;
    };
    for (int cz = grid.zStart - grid.resolution; cz <= grid.zEnd; ++cz)
        for (int cy = grid.yStart - grid.resolution; cy <= grid.yEnd; ++cy)
            for (int cx = grid.xStart - grid.resolution; cx <= grid.xEnd; ++cx)
                if (inCell(cx, grid.xStart, x) && inCell(cy, grid.yStart, y) && inCell(cz, grid.zStart, z)) {
                    coords.push_back(cx);
                    coords.push_back(cy);
                    coords.push_back(cz);
                }
    return coords;
}

void writeMask(const fs::path& path, const Grid& grid, const std::function<bool(int voxel)>& inside) {
    formats::MaskFile mask;
    mask.grid = functionalGrid(grid);
    mask.voxels.resize(static_cast<std::size_t>(grid.voxelCount()));
    for (int v = 0; v < grid.voxelCount(); ++v) mask.voxels[static_cast<std::size_t>(v)] = inside(v) ? 1 : 0;
    formats::writeMaskFile(path, mask);
}

void writeGlm(const fs::path& path, const Grid& grid, int points, int studies, int separateOption,
              const std::function<float(int study, int voxel, int point)>& betasOf) {
    formats::GlmFile glm;
    const bool separate = separateOption == 1;
    glm.nrOfPredictors = separate ? (points + 1) * studies : points + studies;
    glm.nrOfStudies = studies;
    glm.separatePredictors = separateOption;
    glm.grid = functionalGrid(grid);
    const std::size_t voxels = static_cast<std::size_t>(grid.voxelCount());
    glm.maps.assign(glm.nrOfMaps() * voxels, 0.0f);
    const int blocks = separate ? studies : 1;
    for (int s = 0; s < blocks; ++s)
        for (int k = 0; k < points; ++k)
            for (std::size_t v = 0; v < voxels; ++v)
                glm.maps[static_cast<std::size_t>(2 + s * points + k) * voxels + v] =
                    betasOf(s, static_cast<int>(v), k);
    formats::writeGlmFile(path, glm);
}

}  // namespace latency_test
