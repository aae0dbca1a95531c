#include "tools/make_study/study_design.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace study {
namespace {

// Responses of distinct timing; every one returns to baseline within 13 s,
// so a 16 s window holds its whole shape plus a return level.
const ResponseShape kShapes[] = {
    {2000, 2000, 3000, 3000, 2.0}, {3000, 3000, 2000, 4000, 1.5}, {4000, 2000, 4000, 3000, 3.0},
    {1000, 3000, 3000, 3000, 2.5}, {5000, 2000, 2000, 2000, 1.8}, {3000, 4000, 3000, 2000, 2.2},
};
constexpr int kShapeCount = static_cast<int>(sizeof kShapes / sizeof kShapes[0]);

int roundToTr(int ms, int tr) {
    return std::max(tr, static_cast<int>(std::lround(static_cast<double>(ms) / tr)) * tr);
}
int ceilToTr(int ms, int tr) {
    return (ms + tr - 1) / tr * tr;
}

[[noreturn]] void impossible(const std::string& why) {
    throw std::invalid_argument(why);
}

void checkOptions(const StudyOptions& o) {
    if (o.vtcs < 1 || o.vtcs > 200) impossible("--vtcs must lie in 1 ... 200");
    if (!(o.snr >= 0.0) || !std::isfinite(o.snr))
        impossible("--snr must be 0 (no noise) or a positive number");
    if (o.trMs < 100 || o.trMs > 10000) impossible("--tr must lie in 100 ... 10000 ms");
    if (o.trials < 1 || o.trials > 100) impossible("--trials must lie in 1 ... 100");
    if (o.regions < 1 || o.regions > 12) impossible("--regions must lie in 1 ... 12");
    if (o.factor < 1 || o.factor > 4) impossible("--factor must lie in 1 ... 4");
    if (o.maskSize < 0) impossible("--voxelwise-mask-size must be positive");
    for (int d : o.dims)
        if (d < 0 || d > 1000) impossible("--dims must lie in 1 ... 1000 per axis");
}

// The grid's dimensions when --dims was not given.
std::array<int, 3> chooseDims(const StudyOptions& o) {
    if (o.dims[0] > 0) return o.dims;
    if (o.maskSize == 0) return {std::max(20, 6 * o.regions + 2), 20, 10};
    // A box holding the mask plus a one-voxel margin, about twice as wide as deep.
    const int depth =
        std::clamp(static_cast<int>(std::ceil(std::cbrt(static_cast<double>(o.maskSize)) / 2.0)), 1, 60);
    const int side =
        std::max(o.regions, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(o.maskSize) / depth))));
    return {side + 2, side + 2, depth + 2};
}

void layOutRegions(StudyDesign& d) {
    const StudyOptions& o = d.options;
    const int k = o.regions;
    d.regions.clear();
    d.mask.assign(d.voxelCount(), 0);
    if (o.maskSize == 0) {
        // Small 4 x 4 x 3 boxes in a row along x, two voxels apart.
        if (d.dimX() < 6 * k + 2 || d.dimY() < 6 || d.dimZ() < 5)
            impossible("--dims too small for " + std::to_string(k) + " regions (at least " +
                       std::to_string(6 * k + 2) + " 6 5 needed)");
        for (int r = 0; r < k; ++r) {
            VoxelBox b{2 + 6 * r,        6 + 6 * r,        d.dimY() / 2 - 2,
                       d.dimY() / 2 + 2, d.dimZ() / 2 - 1, d.dimZ() / 2 + 2};
            d.regions.push_back({"Region" + std::to_string(r + 1), b, {}});
        }
        for (int z = 0; z < d.dimZ(); ++z)
            for (int y = 0; y < d.dimY(); ++y)
                for (int x = 0; x < d.dimX(); ++x)
                    if (d.regionOf(x, y, z) >= 0) d.mask[d.voxelIndex(x, y, z)] = 1;
        return;
    }
    // Voxel-wise study: the interior box is cut into bands along x, one per
    // region; the mask takes the box's first maskSize voxels in storage order.
    const VoxelBox box{1, d.dimX() - 1, 1, d.dimY() - 1, 1, d.dimZ() - 1};
    const long long boxVoxels =
        static_cast<long long>(box.x1 - box.x0) * (box.y1 - box.y0) * (box.z1 - box.z0);
    if (box.x1 - box.x0 < k || box.y1 <= box.y0 || box.z1 <= box.z0 || boxVoxels < o.maskSize)
        impossible("--dims too small: the grid less a one-voxel margin must hold " +
                   std::to_string(o.maskSize) + " mask voxels in " + std::to_string(k) + " bands");
    const int width = (box.x1 - box.x0) / k;
    for (int r = 0; r < k; ++r) {
        VoxelBox b = box;
        b.x0 = box.x0 + r * width;
        b.x1 = r == k - 1 ? box.x1 : b.x0 + width;
        d.regions.push_back({"Region" + std::to_string(r + 1), b, {}});
    }
    int left = o.maskSize;
    for (int z = box.z0; z < box.z1 && left > 0; ++z)
        for (int y = box.y0; y < box.y1 && left > 0; ++y)
            for (int x = box.x0; x < box.x1 && left > 0; ++x, --left) d.mask[d.voxelIndex(x, y, z)] = 1;
}

}  // namespace

double trapezoidValue(const ResponseShape& s, double t) {
    const double riseEnd = s.onsetMs + s.riseMs;
    const double plateauEnd = riseEnd + s.plateauMs;
    const double end = plateauEnd + s.fallMs;
    if (t <= s.onsetMs || t >= end) return 0.0;
    if (t < riseEnd) return (t - s.onsetMs) / s.riseMs;
    if (t <= plateauEnd) return 1.0;
    return (end - t) / s.fallMs;
}

ExpectedMeasures expectedMeasures(const ResponseShape& s, double dt) {
    // Breakpoints: i1 the last baseline sample, i2 the first plateau sample
    // (the first maximum, hence the peak), i3 the last plateau sample.
    const double i1 = std::round(s.onsetMs / dt);
    const double i2 = std::round((s.onsetMs + s.riseMs) / dt);
    const double i3 = std::round((s.onsetMs + s.riseMs + s.plateauMs) / dt);
    ExpectedMeasures m;
    m.onsetS = (i1 * dt + 100.0) / 1000.0;
    m.widthS = ((i3 - i1 + 1.0) * dt + 100.0) / 1000.0;
    m.timeToPeakS = ((i2 - i1 + 1.0) * dt + 100.0) / 1000.0;
    m.timeToPeakLatestS = ((i3 - i1 + 1.0) * dt + 100.0) / 1000.0;
    m.amplitudePsc = s.amplitudePsc;
    return m;
}

int StudyDesign::regionOf(int x, int y, int z) const {
    for (std::size_t r = 0; r < regions.size(); ++r)
        if (regions[r].box.contains(x, y, z)) return static_cast<int>(r);
    return -1;
}

int StudyDesign::jobWindowMs() const {
    return std::min(options.windowMs, 70 * (options.trMs / options.factor));
}

StudyDesign planStudy(const StudyOptions& options) {
    checkOptions(options);
    StudyDesign d;
    d.options = options;
    const int tr = options.trMs;
    const std::array<int, 3> dims = chooseDims(options);
    for (int a : dims)
        if (a < 1) impossible("--dims needs three positive sizes");

    // Grid: resolution 3, centred in a VMR of at least 256 voxels per axis.
    d.grid.resolution = 3;
    int* starts[] = {&d.grid.xStart, &d.grid.yStart, &d.grid.zStart};
    int* ends[] = {&d.grid.xEnd, &d.grid.yEnd, &d.grid.zEnd};
    for (int a = 0; a < 3; ++a) {
        const int span = d.grid.resolution * dims[a];
        d.vmrDims[a] = std::max(256, span + 2);
        if (d.vmrDims[a] > 4096)
            impossible("--dims too large for an anatomical volume of at most 4096 voxels per axis");
        *starts[a] = (d.vmrDims[a] - span) / 2;
        *ends[a] = *starts[a] + span;
    }

    if (d.jobWindowMs() < 5000)
        impossible("--tr " + std::to_string(tr) + " with --factor " + std::to_string(options.factor) +
                   " allows no time window of 5000 ms or more");
    for (int r = 0; r < options.regions; ++r) {
        ResponseShape s = kShapes[r % kShapeCount];
        s.onsetMs = roundToTr(s.onsetMs + 1000 * (r / kShapeCount), tr);
        s.riseMs = roundToTr(s.riseMs, tr);
        s.plateauMs = roundToTr(s.plateauMs, tr);
        s.fallMs = roundToTr(s.fallMs, tr);
        if (s.endMs() > d.jobWindowMs() - tr)
            impossible("--tr " + std::to_string(tr) + " is too long: region " + std::to_string(r + 1) +
                       "'s response does not return to baseline inside the " +
                       std::to_string(d.jobWindowMs()) + " ms window");
        d.regions.push_back({"", {}, s});
    }
    const std::vector<Region> shaped = d.regions;
    layOutRegions(d);
    for (std::size_t r = 0; r < d.regions.size(); ++r) d.regions[r].response = shaped[r].response;

    // Timing: trials far enough apart that neither responses nor the GLM's
    // FIR windows overlap, a lead-in for the first trial's baseline and a tail
    // that keeps the last trial.
    int longest = 0;
    for (const Region& r : d.regions) longest = std::max(longest, r.response.endMs());
    d.itiMs = ceilToTr(std::max({20000, d.jobWindowMs() + 2 * tr, longest + 3 * tr}), tr);
    const int leadIn = ceilToTr(std::max(10000, 3 * tr), tr);
    d.stimulusMs = std::max(1000, tr);
    for (int t = 0; t < options.trials; ++t) d.onsetsMs.push_back(leadIn + t * d.itiMs);
    const long long totalMs =
        static_cast<long long>(leadIn) + static_cast<long long>(options.trials) * d.itiMs + 2LL * tr;
    if (totalMs / tr > 32767)
        impossible("the run would need more than 32767 volumes; use fewer --trials or a longer --tr");
    d.nrOfVolumes = static_cast<int>(totalMs / tr);
    d.deconvolutionPoints = d.jobWindowMs() / tr + 1;
    return d;
}

std::vector<std::array<int, 3>> anatomicalVoxelsOf(const talvora::formats::FunctionalGrid& g, int x, int y,
                                                   int z) {
    const int res = g.resolution;
    // The plug-in maps an anatomical coordinate c to floor((c - start) / res + 0.5).
    auto along = [res](int start, int i) {
        std::vector<int> cs;
        for (int c = start + res * i - res; c <= start + res * i + res; ++c)
            if (c >= 0 && static_cast<int>(std::floor(
                              static_cast<float>(c - start) / static_cast<float>(res) + 0.5f)) == i)
                cs.push_back(c);
        return cs;
    };
    std::vector<std::array<int, 3>> voxels;
    for (int cz : along(g.zStart, z))
        for (int cy : along(g.yStart, y))
            for (int cx : along(g.xStart, x)) voxels.push_back({cx, cy, cz});
    return voxels;
}

}  // namespace study
