// talvora-eval-distortion DIR FIRST SECOND: inside the phantom's object,
// the displacement error of the estimated map before (no correction) and
// after, and the correlation of the two series before and after.
#include "distortion/io/file_names.h"
#include "distortion/io/map_file.h"
#include "distortion/io/project_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

struct Summary {
    double median = 0, p95 = 0;
};

Summary summarise(std::vector<double> v) {
    Summary s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        return v[static_cast<std::size_t>(
            std::min<double>(v.size() - 1, std::floor(q * (v.size() - 1) + 0.5)))];
    };
    s.median = at(0.5);
    s.p95 = at(0.95);
    return s;
}

double correlation(const distortion::core::Volume& a, const distortion::core::Volume& b,
                   const distortion::core::Volume& mask) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (mask[i] == 0.0f) continue;
        sa += a[i], sb += b[i], saa += a[i] * double(a[i]), sbb += b[i] * double(b[i]),
            sab += a[i] * double(b[i]);
        n += 1;
    }
    return (n * sab - sa * sb) / std::sqrt((n * saa - sa * sa) * (n * sbb - sb * sb));
}

distortion::io::Project read(const std::string& path) {
    return distortion::io::isFMR(path) ? distortion::io::readFMR(path, true)
                                       : distortion::io::readDMR(path, true);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: talvora-eval-distortion DIR FIRST SECOND (e.g. build/phantom/ap_pa_sev5 run_ap.fmr run_pa.fmr)\n");
        return 2;
    }
    try {
        const std::string dir = std::string(argv[1]) + "/";
        const std::string first = dir + argv[2], second = dir + argv[3];
        const distortion::core::Volume truth = distortion::io::readMapFile(dir + "truth_vdm.map");
        const distortion::core::Volume mask = distortion::io::readMapFile(dir + "object_mask.map");
        const distortion::core::Volume estimate =
            distortion::io::readMapFile(distortion::io::vdmFileName(first));
        if (truth.dimensions() != estimate.dimensions() || truth.dimensions() != mask.dimensions())
            throw std::runtime_error("the maps' dimensions differ");
        std::vector<double> before, after;
        for (std::size_t i = 0; i < truth.size(); ++i) {
            if (mask[i] == 0.0f) continue;
            before.push_back(std::fabs(truth[i]));
            after.push_back(std::fabs(truth[i] - estimate[i]));
        }
        const Summary b = summarise(before), a = summarise(after);
        const distortion::io::Project p0 = read(first), p1 = read(second);
        const distortion::io::Project u0 = read(distortion::io::undistortedFileName(first)),
                                      u1 = read(distortion::io::undistortedFileName(second));
        std::printf("%s: %zu voxels inside the object\n", argv[1], before.size());
        std::printf("  displacement error (voxels)  before: median %.3f, 95th percentile %.3f\n", b.median,
                    b.p95);
        std::printf("                               after:  median %.3f, 95th percentile %.3f\n", a.median,
                    a.p95);
        std::printf("  correlation of the two series before: %.4f  after: %.4f\n",
                    correlation(p0.volumes[0], p1.volumes[0], mask),
                    correlation(u0.volumes[0], u1.volumes[0], mask));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "talvora-eval-distortion: %s\n", e.what());
        return 1;
    }
    return 0;
}
