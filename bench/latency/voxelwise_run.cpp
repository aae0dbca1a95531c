// A whole voxel-wise latency run through the stand-in host: access mode 3,
// a mask of 22,500 voxels, 12 trials, TR 1000 ms, window 16,000 ms,
// interpolation factor 4 (65-sample average trials). Reports the wall time
// of one run and the process's peak resident memory.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "host/documents/documents.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "tools/support/latency_study.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace latency_test;

// 30 x 30 x 25 voxels, every one masked; each voxel responds with its own
// delay (1 ... 4 s) and amplitude (1 ... 3 %), plus noise (SD 0.4 % of the
// baseline).
fs::path writeStudy() {
    const fs::path dir =
        fs::temp_directory_path() / ("latency_voxelwise_bench_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    VtcSpec spec;
    spec.grid = Grid{3, 0, 90, 0, 90, 0, 75};
    spec.tr = 1000;
    spec.onsets.clear();
    for (int t = 0; t < 12; ++t) spec.onsets.push_back(4000 + 20000 * t);
    spec.volumes = 244;
    spec.noiseSd = 4.0;
    spec.protocolName = "run1.prt";
    spec.responseOf = [](int voxel) -> std::optional<Response> {
        Response r;
        r.delayMs = 1000 + 1000 * (voxel % 4);
        r.amplitude = 0.01f + 0.005f * static_cast<float>(voxel % 5);
        return r;
    };
    writeVmr(dir / "anat.vmr", 128);
    writeVtc(dir / "run1.vtc", spec);
    writeProtocol(dir / "run1.prt", {{"Task", spec.onsets}});
    writeMask(dir / "mask.msk", spec.grid, [](int) { return true; });
    return dir;
}

void VoxelwiseRun(benchmark::State& state) {
    const fs::path dir = writeStudy();
    const json job = {{"plugin", LATMAP_PLUGIN_PATH},
                      {"work_dir", "out"},
                      {"documents", {{"vmr", "anat.vmr"}}},
                      {"answers", json::array({3, "run1.vtc", nullptr, "mask.msk", 1, 4, 16000, false, true,
                                               true, "maps.blm"})}};
    const talvora::Job parsed = talvora::parseJob(job, dir / "job.json");
    for (auto _ : state) {
        talvora::HostState::instance().reset();
        talvora::HostState::instance().echo = false;
        const talvora::RunResult result = talvora::runJob(parsed, fs::path(LATMAP_PLUGIN_PATH).parent_path());
        if (!result.error.empty() || result.executeResults != std::vector<bool>{true}) {
            state.SkipWithError(("the run failed: " + result.error).c_str());
            break;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["voxels"] = 22500;
    talvora::closeDocuments();
    fs::remove_all(dir);
}

BENCHMARK(VoxelwiseRun)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(2);

}  // namespace
