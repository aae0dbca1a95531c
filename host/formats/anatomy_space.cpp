#include "host/formats/anatomy_space.h"

#include "host/formats/axis_grid.h"

#include <Eigen/LU>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace talvora::formats {

namespace {

constexpr int kMaxVmrDim = 4096;
constexpr double kTolerance = 1e-4;

std::string millimetres(const Eigen::Vector3d& edges) {
    std::ostringstream out;
    out << edges[0] << " x " << edges[1] << " x " << edges[2] << " mm";
    return out.str();
}

std::vector<std::uint8_t> toBytes(const std::vector<float>& values, const ConvertRequest& r,
                                  const std::filesystem::path& image) {
    const bool bytesAlready = std::all_of(
        values.begin(), values.end(), [](float v) { return v >= 0.0f && v <= 255.0f && v == std::floor(v); });
    std::vector<std::uint8_t> out(values.size());
    if (bytesAlready) {
        std::transform(values.begin(), values.end(), out.begin(), [](float v) { return std::uint8_t(v); });
        return out;
    }
    std::vector<float> sorted(values);
    const std::size_t at =
        std::min(sorted.size() - 1, static_cast<std::size_t>(0.995 * double(sorted.size())));
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(at), sorted.end());
    const float high = sorted[at];
    const float low = *std::min_element(values.begin(), values.end());
    const float span = high > low ? high - low : 1.0f;
    for (std::size_t i = 0; i < values.size(); ++i)
        out[i] = static_cast<std::uint8_t>(
            std::lround(std::clamp((values[i] - low) / span * 255.0f, 0.0f, 255.0f)));
    std::ostringstream line;
    line << image.string() << ": intensities " << low << " ... " << high
         << " (99.5th percentile) scaled to 0 ... 255";
    r.say(line.str());
    return out;
}

}  // namespace

AnatomySpace anatomyFromImage(const std::filesystem::path& image, const ConvertRequest& r) {
    const NiftiImage src = readNiftiImage(image);
    if (src.header.volumes() > 1)
        fail(image,
             "holds " + std::to_string(src.header.volumes()) + " volumes; an anatomy is one 3-D volume");
    const GridPlacement grid = axisAlignedCover(src.header.affine, src.header.size, 1.0);
    for (int a = 0; a < 3; ++a)
        if (grid.size[a] > kMaxVmrDim)
            fail(image,
                 "spans " + std::to_string(grid.size[a]) + " mm along an axis; a VMR holds at most 4096");
    const VolumeResampler resampler(src.header.affine, src.header.size, grid);
    if (!resampler.exact()) {
        const double tilt = obliqueDegrees(src.header.affine);
        std::string why = "voxels " + millimetres(voxelEdges(src.header.affine));
        if (tilt > 0.01) why += ", axes up to " + std::to_string(tilt) + " degrees off the world axes";
        r.say(image.string() + ": " + why + ": resampled (trilinear) to the nearest axis-aligned 1 mm grid");
    }
    std::vector<float> values(grid.voxelCount());
    resampler.apply(src.values.data(), values.data());
    AnatomySpace space;
    space.placement.anatomicalToWorld = grid.affine;
    space.placement.xformCode = src.header.xformCode > 0 ? src.header.xformCode : 1;
    space.placement.source = image.string();
    space.vmr.dimX = grid.size[0], space.vmr.dimY = grid.size[1], space.vmr.dimZ = grid.size[2];
    space.vmr.voxels = toBytes(values, r, image);
    return space;
}

AnatomySpace anatomyAroundRun(const NiftiHeader& run, int resolution) {
    const GridPlacement grid = axisAlignedCover(run.affine, run.size, resolution);
    // Functional voxel x covers anatomical voxels r*x ... r*x + r - 1, its
    // centre at r*x + (r - 1)/2: shift the anatomical origin back by that.
    Affine functionalToAnatomical = Affine::Identity();
    functionalToAnatomical.block<3, 3>(0, 0) *= resolution;
    functionalToAnatomical.block<3, 1>(0, 3).setConstant((resolution - 1) / 2.0);
    AnatomySpace space;
    space.placement.anatomicalToWorld = grid.affine * functionalToAnatomical.inverse();
    space.placement.xformCode = run.xformCode > 0 ? run.xformCode : 1;
    space.placement.source = run.path.string();
    const long long dims[3] = {1LL * grid.size[0] * resolution, 1LL * grid.size[1] * resolution,
                               1LL * grid.size[2] * resolution};
    for (long long d : dims)
        if (d > kMaxVmrDim)
            fail(run.path, "spans " + std::to_string(d) + " mm along an axis; a VMR holds at most 4096");
    space.vmr.dimX = int(dims[0]), space.vmr.dimY = int(dims[1]), space.vmr.dimZ = int(dims[2]);
    return space;
}

FunctionalGrid functionalGridIn(const AnatomySpace& space, const NiftiHeader& run, int resolution,
                                bool* cropped) {
    const Affine toAnatomical = space.placement.anatomicalToWorld.inverse() * run.affine;
    Eigen::Vector3d lo = Eigen::Vector3d::Constant(INFINITY), hi = Eigen::Vector3d::Constant(-INFINITY);
    for (int corner = 0; corner < 8; ++corner) {
        const Eigen::Vector4d ijk((corner & 1) ? run.size[0] - 1 : 0, (corner & 2) ? run.size[1] - 1 : 0,
                                  (corner & 4) ? run.size[2] - 1 : 0, 1);
        const Eigen::Vector3d p = (toAnatomical * ijk).head<3>();
        lo = lo.cwiseMin(p);
        hi = hi.cwiseMax(p);
    }
    const double half = (resolution - 1) / 2.0;
    const int dims[3] = {space.vmr.dimX, space.vmr.dimY, space.vmr.dimZ};
    int start[3], end[3];
    if (cropped) *cropped = false;
    for (int a = 0; a < 3; ++a) {
        // First functional centre on (or just below) the run's first centre.
        const long long s = std::max(0LL, std::llround(std::floor(lo[a] - half + kTolerance)));
        long long count =
            static_cast<long long>(std::floor((hi[a] - half - double(s)) / resolution + kTolerance)) + 1;
        count = std::min(count, (dims[a] - s) / resolution);
        if (count < 1) fail(run.path, "does not overlap the anatomy " + space.placement.source);
        const double lastCentre = double(s) + half + double(count - 1) * resolution;
        if (cropped && (lo[a] < double(s) + half - resolution + kTolerance ||
                        hi[a] > lastCentre + resolution - kTolerance))
            *cropped = true;
        start[a] = int(s);
        end[a] = int(s + count * resolution);
    }
    FunctionalGrid g;
    g.resolution = resolution;
    g.xStart = start[0], g.xEnd = end[0], g.yStart = start[1], g.yEnd = end[1], g.zStart = start[2],
    g.zEnd = end[2];
    return g;
}

}  // namespace talvora::formats
