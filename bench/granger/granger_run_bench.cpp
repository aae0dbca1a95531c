// granger_run_bench: writes a 64 x 64 x 30 voxel, 300 volume study (once per
// folder), then times one "RunGCM" (protocol method: two intervals, every
// voxel included, 1000 surrogates) through the stand-in host and reports the
// process's peak memory; with --literal N it also times a literal per-voxel
// computation on N voxels (each voxel read alone, every lag covariance and
// surrogate detrended anew) and extrapolates it to the whole brain.
//
//   granger_run_bench [--dir DIR] [--order P] [--16bit] [--literal N]
#include "granger/core/gcm_random.h"
#include "granger/core/geweke.h"
#include "granger/core/surrogates.h"
#include "granger/io/vtc_stream.h"
#include "host/documents/documents.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "tools/make_study/granger_study.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The literal per-voxel computation on the first `voxels` voxels.
double literalSeconds(const fs::path& vtcPath, int p, int voxels) {
    std::ifstream in(vtcPath, std::ios::binary);
    const auto info = granger::io::readVtcInfo(in);
    if (!info) throw std::runtime_error(vtcPath.string() + ": unreadable");
    const int v = info->nrOfVolumes;
    const auto intervals = study::taskIntervals(v);
    std::vector<float> ref(static_cast<std::size_t>(v), 0.0f), course(static_cast<std::size_t>(v));
    for (std::size_t i : {0u, 1u, 64u, 65u}) {
        granger::io::readVoxelTimeCourse(in, *info, i, course.data());
        for (int t = 0; t < v; ++t)
            ref[static_cast<std::size_t>(t)] += course[static_cast<std::size_t>(t)] / 4;
    }
    std::vector<float> dr(ref.size());
    granger::core::detrend(ref.data(), v, dr.data());
    std::vector<double> gamma(static_cast<std::size_t>(p + 1));
    granger::core::autocovariances(dr.data(), v, p, gamma.data());
    std::vector<float> a;
    float var = 0;
    granger::core::fitUnivariateAR(gamma.data(), p, a, var);
    const auto surr = granger::core::simulateSurrogates(a, var, 1000, v, 100, 1);
    const auto start = std::chrono::steady_clock::now();
    double sink = 0;
    for (int voxel = 0; voxel < voxels; ++voxel) {
        granger::io::readVoxelTimeCourse(in, *info, static_cast<std::size_t>(voxel), course.data());
        granger::core::LagCovariances real(p), null(p);
        for (const auto& [first, last] : intervals) {
            const int n = last - first + 1;
            std::vector<float> r(static_cast<std::size_t>(n)), x(static_cast<std::size_t>(n)),
                s(static_cast<std::size_t>(n));
            granger::core::detrend(ref.data() + first - 1, n, r.data());
            granger::core::detrend(course.data() + first - 1, n, x.data());
            granger::core::addLagCovariances(r.data(), x.data(), n, real);
            const std::size_t pick = static_cast<std::size_t>(granger::core::gcmRand() % 1000);
            granger::core::detrend(surr.data() + pick * static_cast<std::size_t>(v) + first - 1, n, s.data());
            granger::core::addLagCovariances(s.data(), x.data(), n, null);
        }
        real.scale(0.5);
        null.scale(0.5);
        granger::core::GewekeMeasures m;
        if (granger::core::gewekeMeasures(real, m)) sink += m.ref2vox;
        if (granger::core::gewekeMeasures(null, m)) sink += m.inst;
    }
    const double t = seconds(start, std::chrono::steady_clock::now());
    if (sink == 12345.678) std::puts("");
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / "granger_bench_study";
    int order = 1, literal = 0;
    bool sixteenBit = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (a == "--order" && i + 1 < argc)
            order = std::atoi(argv[++i]);
        else if (a == "--16bit")
            sixteenBit = true;
        else if (a == "--literal" && i + 1 < argc)
            literal = std::atoi(argv[++i]);
        else {
            std::cerr << "usage: granger_run_bench [--dir DIR] [--order P] [--16bit] [--literal N]\n";
            return 2;
        }
    }
    if (sixteenBit) dir += "_16bit";
    study::GrangerStudyOptions o;
    o.subjects = 1;
    o.dimX = 64;
    o.dimY = 64;
    o.dimZ = 30;
    o.volumes = 300;
    o.sixteenBit = sixteenBit;
    o.settings = "NumSurrogateSimulations= 1000\nAutoRegressionOrder= " + std::to_string(order) +
                 "\nFirstTimePointInclusionThres= 0\nShowVerboseProgressLog= 0\n";
    if (!fs::exists(dir / "S01/run1.vtc")) {
        // Written by a child process so that its memory does not count.
        const pid_t child = fork();
        if (child == 0) {
            std::ostringstream report;
            study::writeGrangerStudy(o, dir, report);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    }
    fs::create_directories(dir / "plugins");
    fs::copy_file(CAUSALIS_PLUGIN_PATH, dir / "plugins/CausalisPlugin_v27.so",
                  fs::copy_options::overwrite_existing);
    std::ofstream(dir / "plugins/VUVIrurar.ini") << o.settings;

    talvora::HostState::instance().echo = false;
    const json params = {
        {"VOIFile", "reference.voi"},      {"SelectedVOIIndex", 0}, {"SelectedTimeWindowMethod", 2},
        {"SelectedConditionName", "Task"}, {"SubjectID", "S01"},    {"NrOfSubjVTCs", 1},
        {"SubjVTC-1", "S01/run1.vtc"},     {"VTCProtocolCond", 0}};
    const json job = {{"plugin", "plugins/CausalisPlugin_v27.so"},
                      {"work_dir", "."},
                      {"documents", {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}}},
                      {"commands", json::array({{{"command", "RunGCM"}, {"parameters", params}}})}};
    const talvora::Job parsed = talvora::parseJob(job, dir / "bench_job.json");
    const long before = peakKb();
    const auto start = std::chrono::steady_clock::now();
    const auto result = talvora::runJob(parsed, dir / "plugins");
    const double wall = seconds(start, std::chrono::steady_clock::now());
    if (result.executeResults != std::vector<bool>{true}) {
        std::cerr << "RunGCM failed: " << result.error << "\n";
        for (const auto& l : talvora::HostState::instance().logLines) std::cerr << l << "\n";
        return 1;
    }
    std::printf(
        "RunGCM 64 x 64 x 30 x 300 %s VTC, p = %d, 2 intervals, 1000 surrogates: %.3f s wall, "
        "peak memory %.1f MB (%.1f MB before the run)\n",
        sixteenBit ? "16-bit" : "float", order, wall, peakKb() / 1024.0, before / 1024.0);
    if (literal > 0) {
        const double t = literalSeconds(dir / "S01/run1.vtc", order, literal);
        std::printf(
            "literal per-voxel reference: %.3f s for %d voxels, %.1f s extrapolated to 122880 voxels\n", t,
            literal, t / literal * 122880.0);
    }
    return 0;
}
