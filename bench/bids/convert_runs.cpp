// convert_runs: talvora-bids's conversion of one participant's runs alone
// (convertRuns: each run to VTC, VMR and protocol), repeated, with the wall
// time of each pass; tells what --nthreads buys on this machine without the
// plug-in's run and the host's start-up around it.
//
//   build/bench/bids/convert_runs BIDS_DIR LABEL TASK [--nthreads N] [--repeat R]
//
// Prints each pass's milliseconds, then the fastest and the median.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bids/analyses/run_documents.h"
#include "bids/app/plan.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: convert_runs BIDS_DIR LABEL TASK [--nthreads N] [--repeat R]\n");
        return 2;
    }
    unsigned threads = 1;
    int repeat = 10;
    for (int i = 4; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--nthreads") == 0) threads = unsigned(std::max(1, std::atoi(argv[i + 1])));
        if (std::strcmp(argv[i], "--repeat") == 0) repeat = std::max(1, std::atoi(argv[i + 1]));
    }
    try {
        bids::app::Options options;
        options.bidsDir = argv[1];
        const fs::path work = fs::temp_directory_path() / ("convert_runs_" + std::to_string(::getpid()));
        options.outputDir = work / "out";
        options.level = "participant";
        options.analysis = "latency";
        options.task = argv[3];
        options.participantLabels = {argv[2]};
        const auto plan = bids::app::makePlan(options);
        const auto runs = bids::app::participantRuns(plan, argv[2]);
        fs::create_directories(work);
        std::vector<double> ms;
        for (int r = 0; r < repeat; ++r) {
            std::ostringstream report;
            const auto start = std::chrono::steady_clock::now();
            bids::analyses::convertRuns(runs, work, report, threads);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            std::printf("pass %d: %.1f ms\n", r + 1, ms.back());
        }
        fs::remove_all(work);
        std::sort(ms.begin(), ms.end());
        std::printf("%zu run(s), %u thread(s): fastest %.1f ms, median %.1f ms\n", runs.size(), threads,
                    ms.front(), ms[ms.size() / 2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "convert_runs: %s\n", e.what());
        return 1;
    }
    return 0;
}
