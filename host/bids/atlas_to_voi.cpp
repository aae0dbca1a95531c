#include "host/bids/atlas_to_voi.h"

#include "host/bids/atlas_labels.h"
#include "host/formats/axis_grid.h"
#include "host/formats/format_io.h"
#include "host/formats/nifti_image.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "host/formats/world_placement.h"

#include <Eigen/LU>

#include <cmath>
#include <map>
#include <optional>
#include <sstream>
#include <system_error>

namespace talvora::bids {
namespace fs = std::filesystem;
namespace {
constexpr int kMaxAnatomicalSize = 4096;  // a VMR's largest axis

// The label of every voxel as a whole number (0: background); throws when
// a value is not one.
std::vector<long long> labelValues(const formats::NiftiImage& atlas) {
    std::vector<long long> labels(atlas.values.size());
    for (std::size_t i = 0; i < atlas.values.size(); ++i) {
        const double v = atlas.values[i];
        if (!std::isfinite(v) || v != std::floor(v) || v < 0.0 || v > 2147483647.0)
            formats::fail(atlas.header.path, "voxel " + std::to_string(i) + " holds " + std::to_string(v) +
                                                 ", not a label (a whole number, 0 for background)");
        labels[i] = static_cast<long long>(v);
    }
    return labels;
}

struct VoiBuilder {
    std::map<long long, std::vector<std::int32_t>> coordsOf;  // label -> c0 c1 c2 ...
    std::optional<long long> only;                            // keep this label alone
    void add(long long label, int x, int y, int z) {
        if (only && label != *only) return;
        auto& c = coordsOf[label];
        c.push_back(x), c.push_back(y), c.push_back(z);
    }
};

// The anatomical space a VMR converted from the atlas (or from an image on
// its grid) has: the 1 mm grid along the nearest world axes. Only an atlas
// that lies on it voxel for voxel is taken without resampling.
formats::Placement fromOwnGrid(const formats::NiftiImage& atlas, const std::vector<long long>& labels,
                               VoiBuilder& vois) {
    const auto& h = atlas.header;
    const formats::GridPlacement grid = formats::axisAlignedCover(h.affine, h.size, 1.0);
    if (!formats::VolumeResampler(h.affine, h.size, grid).exact()) {
        const Eigen::Vector3d edges = formats::voxelEdges(h.affine);
        std::ostringstream why;
        why << "is not on a 1 mm grid along the world axes (voxels " << edges[0] << " x " << edges[1] << " x "
            << edges[2]
            << " mm); name the run it belongs to with --like RUN.vtc to sample it onto the run's grid";
        formats::fail(h.path, why.str());
    }
    for (int a = 0; a < 3; ++a)
        if (grid.size[a] > kMaxAnatomicalSize)
            formats::fail(h.path, "has more than 4096 voxels along an axis, more than an anatomy holds");
    const formats::Affine toGrid = grid.affine.inverse() * h.affine;
    std::size_t i = 0;
    for (int z = 0; z < h.size[2]; ++z)
        for (int y = 0; y < h.size[1]; ++y)
            for (int x = 0; x < h.size[0]; ++x, ++i) {
                if (labels[i] == 0) continue;
                const Eigen::Vector4d p = toGrid * Eigen::Vector4d(x, y, z, 1.0);
                vois.add(labels[i], static_cast<int>(std::lround(p[0])), static_cast<int>(std::lround(p[1])),
                         static_cast<int>(std::lround(p[2])));
            }
    formats::Placement placement;
    placement.anatomicalToWorld = grid.affine;
    placement.xformCode = h.xformCode > 0 ? h.xformCode : 1;
    placement.source = h.path.string();
    return placement;
}

// Per run voxel, the anatomical voxels of its block that every reader of a
// VOI assigns to it: offsets o of 0 ... r-1 with round(o / r) = 0.
formats::Placement fromRunGrid(const formats::NiftiImage& atlas, const std::vector<long long>& labels,
                               const formats::ConvertRequest& request, VoiBuilder& vois) {
    const fs::path run = *request.option("--like");
    const formats::FunctionalGrid grid = formats::readVtcHeader(run).grid;
    const formats::Placement placement = formats::readPlacementSidecar(run);
    const formats::Affine runToAtlas =
        atlas.header.affine.inverse() * formats::functionalToWorld(placement.anatomicalToWorld, grid);
    const auto& size = atlas.header.size;
    const int r = grid.resolution;
    const int shared = (r + 1) / 2;
    std::size_t outside = 0;
    for (int z = 0; z < grid.dimZ(); ++z)
        for (int y = 0; y < grid.dimY(); ++y)
            for (int x = 0; x < grid.dimX(); ++x) {
                const Eigen::Vector4d p = runToAtlas * Eigen::Vector4d(x, y, z, 1.0);
                long long idx[3];
                bool inside = true;
                for (int a = 0; a < 3; ++a) {
                    idx[a] = static_cast<long long>(std::floor(p[a] + 0.5));
                    inside = inside && idx[a] >= 0 && idx[a] < size[a];
                }
                if (!inside) {
                    ++outside;
                    continue;
                }
                const long long label =
                    labels[static_cast<std::size_t>((idx[2] * size[1] + idx[1]) * size[0] + idx[0])];
                if (label == 0) continue;
                for (int dz = 0; dz < shared; ++dz)
                    for (int dy = 0; dy < shared; ++dy)
                        for (int dx = 0; dx < shared; ++dx)
                            vois.add(label, grid.xStart + r * x + dx, grid.yStart + r * y + dy,
                                     grid.zStart + r * z + dz);
            }
    request.say(request.input.string() + ": sampled nearest-neighbour at the centres of the " +
                std::to_string(grid.voxelCount()) + " voxels of " + run.string() + " (" + grid.describe() +
                ")" + (outside ? "; " + std::to_string(outside) + " of them lie outside the atlas" : ""));
    return placement;
}

std::string labelName(const std::map<long long, std::string>& names, long long label) {
    const auto it = names.find(label);
    std::string name = it != names.end() ? it->second : "Label " + std::to_string(label);
    if (name.size() > 251) name.resize(251);
    return name;
}
}  // namespace

namespace {
// Every label's VOI, or only that of `only`; returns false and writes nothing
// when `only` has no voxel on the grid.
bool convertLabels(const formats::ConvertRequest& request, std::optional<long long> only) {
    const formats::NiftiImage atlas = formats::readNiftiImage(request.input);
    if (atlas.header.size[3] != 1)
        formats::fail(request.input, "is a 4-D image; an atlas has one volume of labels");
    const std::vector<long long> labels = labelValues(atlas);
    fs::path table = request.option("--labels").value_or("");
    if (table.empty()) table = labelsBesideAtlas(request.input);
    const std::map<long long, std::string> names =
        table.empty() ? std::map<long long, std::string>{} : readAtlasLabels(table);

    VoiBuilder vois;
    vois.only = only;
    const formats::Placement placement = request.option("--like") ? fromRunGrid(atlas, labels, request, vois)
                                                                  : fromOwnGrid(atlas, labels, vois);

    formats::VoiFile out;
    out.convention = formats::VoiFile::kVolumeConvention;
    std::size_t unnamed = 0;
    for (auto& [label, coords] : vois.coordsOf) {
        if (!names.empty() && names.count(label) == 0) ++unnamed;
        out.vois.push_back({labelName(names, label), std::move(coords)});
    }
    if (out.vois.empty()) {
        if (only) return false;
        formats::fail(request.input, "holds no label other than 0 (background) on the grid");
    }
    std::size_t missing = 0;
    if (!only)
        for (const auto& entry : names)
            if (entry.first != 0 && vois.coordsOf.count(entry.first) == 0) ++missing;
    // The VOIs' anatomical space travels with them, as beside every converted document.
    formats::writePlacementSidecar(request.output, placement);
    try {
        formats::writeVoiFile(request.output, out);
    } catch (...) {
        std::error_code ec;
        fs::remove(formats::placementSidecarPath(request.output), ec);
        throw;
    }
    request.say(request.output.string() + ": " + std::to_string(out.vois.size()) +
                (only ? " VOI (label " + std::to_string(*only) + " alone)" : std::string(" VOIs")) +
                " in volume coordinates" +
                (table.empty() ? " (no label table: named \"Label N\")" : ", names from " + table.string()));
    if (unnamed) request.say(std::to_string(unnamed) + " labels are not in the table: named \"Label N\"");
    if (missing) request.say(std::to_string(missing) + " labels of the table have no voxel and no VOI");
    return true;
}
}  // namespace

void convertAtlasToVoi(const formats::ConvertRequest& request) {
    convertLabels(request, std::nullopt);
}

bool convertAtlasLabelToVoi(const formats::ConvertRequest& request, long long label) {
    return convertLabels(request, label);
}

std::string atlasLabelName(const std::map<long long, std::string>& names, long long label) {
    return labelName(names, label);
}

}  // namespace talvora::bids
