#include "tools/make_bids_study/vtc_to_bids.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "frame/voi_convention.h"
#include "host/formats/vtc_file.h"

namespace bids_study {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

std::string seconds(double ms) {
    std::ostringstream s;
    s << static_cast<std::int32_t>(ms) / 1000.0;
    return s.str();
}

}  // namespace

RunPlacement axisAlignedPlacement(double resolution, const std::array<double, 3>& firstCentreMm,
                                  bool storeFlippedX) {
    RunPlacement placement;
    placement.storeFlippedX = storeFlippedX;
    for (int axis = 0; axis < 3; ++axis) {
        placement.vtcVoxelToWorld(axis, axis) = resolution;
        placement.vtcVoxelToWorld(axis, 3) = firstCentreMm[static_cast<std::size_t>(axis)];
    }
    return placement;
}

fmt::Affine niftiAffine(const RunPlacement& placement, int nx) {
    if (!placement.storeFlippedX) return placement.vtcVoxelToWorld;
    // NIfTI voxel i holds VTC column nx - 1 - i.
    fmt::Affine flip = fmt::Affine::Identity();
    flip(0, 0) = -1;
    flip(0, 3) = nx - 1;
    return placement.vtcVoxelToWorld * flip;
}

void writeBoldRun(const fs::path& vtcPath, const fs::path& bold, const RunPlacement& placement) {
    const fmt::VtcFile vtc = fmt::readVtcFile(vtcPath);
    const fmt::VtcHeader& h = vtc.header;
    const std::size_t voxels = h.grid.voxelCount(), volumes = static_cast<std::size_t>(h.nrOfVolumes);
    const std::size_t nx = static_cast<std::size_t>(h.grid.dimX());
    // The VTC holds each voxel's time course; NIfTI one volume after another.
    std::vector<float> values(voxels * volumes);
    for (std::size_t v = 0; v < voxels; ++v) {
        const std::size_t x = v % nx;
        const std::size_t stored = placement.storeFlippedX ? v - x + (nx - 1 - x) : v;
        for (std::size_t t = 0; t < volumes; ++t)
            values[t * voxels + stored] = h.floatData() ? vtc.floatValues[v * volumes + t]
                                                        : static_cast<float>(vtc.intValues[v * volumes + t]);
    }
    fmt::NiftiOutput image;
    image.size = {h.grid.dimX(), h.grid.dimY(), h.grid.dimZ(), static_cast<std::int64_t>(volumes)};
    image.affine = niftiAffine(placement, h.grid.dimX());
    image.trSeconds = h.tr / 1000.0;
    image.description = "from " + vtcPath.filename().string();
    fmt::writeNiftiImage(bold, image, values);
}

std::string eventsTable(const fmt::ProtocolFile& protocol, double trMs) {
    std::string out = "onset\tduration\ttrial_type\n";
    for (const auto& c : protocol.conditions)
        for (std::size_t i = 0; i < c.starts.size(); ++i) {
            double onsetMs = c.starts[i], durationMs = c.ends[i] - c.starts[i];
            if (protocol.timeUnit == fmt::ProtocolFile::TimeUnit::Volumes) {
                onsetMs = (c.starts[i] - 1) * trMs;
                durationMs = (c.ends[i] - c.starts[i] + 1) * trMs;
            }
            out += seconds(onsetMs) + "\t" + seconds(durationMs) + "\t" + c.name + "\n";
        }
    return out;
}

std::string eventsOfVtc(const fs::path& vtc) {
    const fmt::VtcHeader header = fmt::readVtcHeader(vtc);
    if (!header.hasProtocol)
        throw std::runtime_error(vtc.string() + ": links no protocol, so it has no events");
    return eventsTable(fmt::readProtocolFile(vtc.parent_path() / header.protocolName), header.tr);
}

std::vector<int> voiLabelsOnGrid(const fmt::VoiFile& vois, const fmt::FunctionalGrid& g) {
    const int nx = g.dimX(), ny = g.dimY(), nz = g.dimZ();
    std::vector<int> labels(g.voxelCount(), 0);
    // The plug-ins map an anatomical coordinate c to floor((c - start) / resolution + 0.5).
    auto cell = [&](int c, int start, int dim) {
        return std::clamp(static_cast<int>(std::floor((c - start) / double(g.resolution) + 0.5)), 0, dim - 1);
    };
    for (std::size_t v = 0; v < vois.vois.size(); ++v) {
        const auto& coords = vois.vois[v].coords;
        for (std::size_t i = 0; i + 2 < coords.size(); i += 3) {
            const auto p = tl::voiVoxelToVolume(vois.convention, coords[i], coords[i + 1], coords[i + 2]);
            const int x = cell(p[0], g.xStart, nx), y = cell(p[1], g.yStart, ny),
                      z = cell(p[2], g.zStart, nz);
            labels[(static_cast<std::size_t>(z) * ny + y) * nx + x] = static_cast<int>(v + 1);
        }
    }
    return labels;
}

}  // namespace bids_study
