// distortion_bench MODE: times one piece of the distortion correction on a
// phantom pair (FFTW itself standing in for the host's transforms) and
// prints the elapsed time and the process's peak resident memory.
//   estimate-96     "estimate" core on 96 x 96 x 60 (fast trial loop)
//   estimate-144    the same on 144 x 168 x 110
//   literal-96      96 x 96 x 60 with the literal trial loop
//   apply-300       undistort a 300-volume 96 x 96 x 60 16-bit FMR streamed from disk
#include "distortion/core/vdm.h"
#include "distortion/core/vdmestimate.h"
#include "distortion/io/project_files.h"
#include "distortion/io/undistort_project.h"
#include "tools/support/fftw_for_tests.h"
#include "tools/make_phantom/phantom_model.h"

#include <sys/resource.h>

#include <chrono>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

distortion::core::Volume seriesVolume(const phantom::Grid& g, double peak, int sign) {
    const std::vector<float> v = phantom::series(g, peak, 1, sign, 1.0f);
    distortion::core::Volume out(g.nx, g.ny, g.nz);
    std::memcpy(out.data(), v.data(), v.size() * sizeof(float));
    return out;
}

double peakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

void estimateCase(int nx, int ny, int nz, bool literal) {
    const phantom::Grid g{nx, ny, nz};
    const distortion::core::Volume ap = seriesVolume(g, 5.0, +1), pa = seriesVolume(g, 5.0, -1);
    distortion::core::EstimationSchedule s = distortion::core::pluginSchedule({2.0, 2.0, 2.5});
    s.literalTrials = literal;
    std::ostringstream log;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const distortion::core::Volume map =
        distortion::core::estimateVdm(fftwForTests(), ap, pa, {0.5, 4.0 / 2.0, 0.5}, true, s, false, log, 0);
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "estimate %dx%dx%d (%s trial loop): %.2f s processor time (%.2f s elapsed), peak memory %.0f MB\n",
        nx, ny, nz, literal ? "literal" : "fast", cpu, seconds, peakMegabytes());
    const std::string text = log.str();
    const std::size_t at = text.find("Time taken: ");
    if (at != std::string::npos)
        std::printf("  local optimisation (processor time): %s",
                    text.substr(at + 12, text.find('\n', at) - at - 11).c_str());
    (void)map;
}

void applyCase() {
    const phantom::Grid g{96, 96, 60};
    const int volumes = 300;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "mirel_apply_bench";
    std::filesystem::create_directories(dir);
    {
        std::ofstream h(dir / "run.fmr");
        h << "NrOfVolumes: " << volumes << "\nNrOfSlices: " << g.nz
          << "\nPrefix: run\nDataType: 1\nResolutionX: " << g.nx << "\nResolutionY: " << g.ny << "\n";
        const std::vector<float> v = phantom::series(g, 5.0, 1, 1, 1.0f);
        std::ofstream d(dir / "run.stc", std::ios::binary);
        const std::size_t plane = static_cast<std::size_t>(g.nx) * g.ny;
        std::vector<std::int16_t> row(plane);
        for (int z = 0; z < g.nz; ++z)
            for (int t = 0; t < volumes; ++t) {
                for (std::size_t i = 0; i < plane; ++i) row[i] = static_cast<std::int16_t>(v[z * plane + i]);
                d.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(plane * 2));
            }
    }
    distortion::core::Volume map(g.nx, g.ny, g.nz);
    {
        const std::vector<float> truth = phantom::trueDisplacement(g, 5.0, 1);
        std::memcpy(map.data(), truth.data(), truth.size() * sizeof(float));
    }
    const double before = peakMegabytes();
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    // As "apply" does: the header only, the data streamed by the undistortion.
    distortion::io::Project p = distortion::io::readFMR((dir / "run.fmr").string(), false);
    distortion::io::undistortProject(p, map, false);
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "apply to a %d-volume 96x96x60 FMR (read, undistort, write): %.2f s processor time (%.2f s elapsed), "
        "peak memory %.0f MB (%.0f MB before)\n",
        volumes, cpu, seconds, peakMegabytes(), before);
    std::filesystem::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "estimate-96")
        estimateCase(96, 96, 60, false);
    else if (mode == "estimate-144")
        estimateCase(144, 168, 110, false);
    else if (mode == "literal-96")
        estimateCase(96, 96, 60, true);
    else if (mode == "apply-300")
        applyCase();
    else {
        std::fprintf(stderr, "usage: distortion_bench estimate-96|estimate-144|literal-96|apply-300\n");
        return 2;
    }
    return 0;
}
