// BOLD.nii[.gz] -> RUN.vtc, and beside it RUN.vmr (the anatomy from
// --anatomy, or an empty volume holding the run) and both placement
// sidecars. The run streams through volume by volume: only the VTC's values
// and a block of volumes are held.
#include "frame/atomic_file.h"
#include "host/formats/anatomy_space.h"
#include "host/formats/axis_grid.h"
#include "host/formats/bids_sidecar.h"
#include "host/formats/convert_registry.h"
#include "host/platform/platform.h"
#include "host/formats/output_set.h"
#include "host/formats/vtc_file.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>

#include <sstream>

namespace fs = std::filesystem;

namespace talvora::formats {

namespace {

constexpr int kMaxVolumes = 32767;  // the VTC stores the count in 16 bits
constexpr std::size_t kBlockVolumes = 32;

bool isotropicWholeMm(const Eigen::Vector3d& edges, int mm) {
    for (int a = 0; a < 3; ++a)
        if (std::abs(edges[a] - mm) > 1e-4) return false;
    return true;
}

int chooseResolution(const NiftiHeader& h, const ConvertRequest& r) {
    const Eigen::Vector3d edges = voxelEdges(h.affine);
    if (r.option("--res")) return r.integerOption("--res", 1, 3, 3);
    const int nearest = int(std::clamp<long>(std::lround(edges.mean()), 1, 3));
    if (!isotropicWholeMm(edges, nearest)) {
        std::ostringstream line;
        line << h.path.string() << ": no --res: resolution " << nearest
             << " mm, the whole millimetres nearest to its " << edges[0] << " x " << edges[1] << " x "
             << edges[2] << " mm voxels";
        r.say(line.str());
    }
    return nearest;
}

void explainResampling(const NiftiHeader& h, int res, bool withAnatomy, const ConvertRequest& r) {
    const Eigen::Vector3d edges = voxelEdges(h.affine);
    std::ostringstream why;
    if (!isotropicWholeMm(edges, res))
        why << "its voxels are " << edges[0] << " x " << edges[1] << " x " << edges[2] << " mm, not " << res
            << " mm";
    const double tilt = obliqueDegrees(h.affine);
    if (tilt > 0.01)
        why << (why.tellp() > 0 ? "; " : "") << "it is oblique (axes up to " << tilt << " degrees off)";
    if (why.tellp() == 0)
        why << "its voxel centres are not on the " << (withAnatomy ? "anatomy's " : "") << res << " mm grid"
            << (withAnatomy ? "" : " (tilted by " + std::to_string(tilt) + " degrees)");
    r.say(h.path.string() + ": " + why.str() + ": resampled (trilinear) to the nearest axis-aligned " +
          std::to_string(res) + " mm grid");
}

struct FreeDeleter {
    void operator()(float* p) const { std::free(p); }
};
using RunValues = std::unique_ptr<float[], FreeDeleter>;

RunValues allocateRun(std::size_t count) {
    void* p = platform::allocateLargeBlock(count * sizeof(float));
    if (!p) throw std::bad_alloc();
    return RunValues(static_cast<float*>(p));
}

// Fills the VTC's voxel-major values from the run's volume-major file. The
// array is not zeroed first: every value is written once below, and zeroing
// a run-sized array costs as much as filling it.
RunValues streamRun(NiftiReader& reader, const VolumeResampler& resampler, std::size_t voxels) {
    const std::size_t volumes = reader.header().volumes();
    RunValues values = allocateRun(voxels * volumes);
    std::vector<float> source;
    // Not zeroed either: each block is written whole before it is read.
    const std::unique_ptr<float[]> block(new float[voxels * std::min(kBlockVolumes, volumes)]);
    for (std::size_t t0 = 0; t0 < volumes; t0 += kBlockVolumes) {
        const std::size_t count = std::min(kBlockVolumes, volumes - t0);
        for (std::size_t b = 0; b < count; ++b) {
            // A run already on the VTC's grid (as a BIDS run usually is) is
            // read straight into the block, without a copy through `source`.
            if (resampler.identity()) {
                reader.readNextVolume(block.get() + b * voxels);
                continue;
            }
            reader.readNextVolume(source);
            resampler.apply(source.data(), block.get() + b * voxels);
        }
        // Blocks of volumes keep the transposition's writes near each other.
        for (std::size_t v = 0; v < voxels; ++v) {
            float* course = values.get() + v * volumes + t0;
            for (std::size_t b = 0; b < count; ++b) course[b] = block[b * voxels + v];
        }
    }
    return values;
}

// The VTC's values straight from a run held in memory whose grid is the
// VTC's own, a few thousand voxels' time courses at a time: no run-sized
// array of values is allocated, so the conversion holds the decompressed
// run alone.
void writeCourses(const NiftiReader& reader, std::ostream& out) {
    const std::size_t voxels = reader.header().voxelsPerVolume(), volumes = reader.header().volumes();
    // One 2 MiB page of courses at a time, reused.
    constexpr std::size_t kChunkValues = (std::size_t(2) << 20) / sizeof(float);
    const std::size_t chunk = std::max<std::size_t>(1, kChunkValues / volumes);
    const RunValues courses = allocateRun(chunk * volumes);
    for (std::size_t first = 0; first < voxels; first += chunk) {
        const std::size_t count = std::min(chunk, voxels - first);
        reader.readVoxelCourses(first, count, courses.get());
        out.write(reinterpret_cast<const char*>(courses.get()),
                  std::streamsize(count * volumes * sizeof(float)));
    }
}

}  // namespace

void convertNiftiToVtc(const ConvertRequest& r) {
    NiftiReader reader(r.input);
    const NiftiHeader& h = reader.header();
    if (h.dimensions < 4)
        fail(r.input,
             "is a " + std::to_string(h.dimensions) + "-D image; a run needs 4 dimensions (x, y, z, time)");
    if (h.volumes() > std::size_t(kMaxVolumes))
        fail(r.input, "holds " + std::to_string(h.volumes()) + " volumes; a VTC holds at most 32767");
    const double trMs = repetitionTimeMs(h, r);
    const int res = chooseResolution(h, r);
    const auto anatomy = r.option("--anatomy");
    const AnatomySpace space = anatomy ? anatomyFromImage(*anatomy, r) : anatomyAroundRun(h, res);
    bool cropped = false;
    const FunctionalGrid grid = functionalGridIn(space, h, res, &cropped);
    if (cropped) r.say(r.input.string() + ": the parts of the run outside the anatomy are left out");
    // A finer grid than the run's multiplies its size; beyond a factor that
    // no sensible --res reaches (3 mm to 1 mm is 27) it is refused before
    // anything is allocated for it.
    const double runValues = double(h.voxelsPerVolume()) * double(h.volumes());
    const double vtcValues = double(grid.voxelCount()) * double(h.volumes());
    if (vtcValues > 32.0 * std::max(runValues, double(1 << 20)))
        fail(r.input, "would become a VTC of " + std::to_string(std::llround(vtcValues)) +
                          " values, more than 32 times the run's; choose a coarser --res");
    GridPlacement target;
    target.affine = functionalToWorld(space.placement.anatomicalToWorld, grid);
    target.size = {grid.dimX(), grid.dimY(), grid.dimZ()};
    const VolumeResampler resampler(h.affine, h.size, target);
    if (!resampler.exact()) explainResampling(h, res, anatomy.has_value(), r);

    VtcHeader vtc;
    vtc.sourceFMR = r.input.filename().string();
    vtc.nrOfVolumes = int(h.volumes());
    vtc.grid = grid;
    vtc.tr = static_cast<float>(trMs);
    const bool direct = resampler.identity() && reader.holdsAllVolumes();
    const RunValues values = direct ? RunValues() : streamRun(reader, resampler, grid.voxelCount());
    const std::string vtcHeader = encodeVtcHeader(vtc);
    const std::size_t valueBytes = grid.voxelCount() * h.volumes() * sizeof(float);

    const fs::path vmrPath = fs::path(r.output).replace_extension(".vmr");
    OutputSet outputs;
    outputs.add(r.output, [&] {
        tl::writeFileAtomically(r.output, [&](std::ostream& out) {
            out.write(vtcHeader.data(), std::streamsize(vtcHeader.size()));
            if (direct)
                writeCourses(reader, out);
            else
                out.write(reinterpret_cast<const char*>(values.get()), std::streamsize(valueBytes));
        });
    });
    outputs.add(vmrPath, [&] { writeVmrFile(vmrPath, space.vmr); });
    outputs.add(placementSidecarPath(r.output),
                [&] { writePlacementSidecar(r.output, space.placement, grid); });
    outputs.add(placementSidecarPath(vmrPath), [&] { writePlacementSidecar(vmrPath, space.placement); });
    outputs.keep();
    r.say("wrote " + r.output.string() + " (" + grid.describe() + ", " + std::to_string(h.volumes()) +
          " volumes), " + vmrPath.string() + " and their placement sidecars");
}

}  // namespace talvora::formats
