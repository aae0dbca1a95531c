// talvora-bids-latency-summary BIDS_DIR OUTPUT_DIR: per participant and
// region of the example dataset's task "latency", the true onset and time
// to peak beside the medians of talvora-bids' latency maps over the
// region's atlas voxels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <Eigen/Dense>
#include <nlohmann/json.hpp>

#include "host/formats/nifti_image.h"
#include "tools/make_bids_study/bids_study.h"
#include "tools/make_bids_study/world_atlas.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void summarise(const fs::path& bids, const fs::path& out, const std::string& sub,
               const nlohmann::json& truth) {
    const auto maps =
        fmt::readNiftiImage(out / sub / "func" / (sub + "_task-latency_desc-latency_statmap.nii.gz"));
    const auto atlas = bids_study::atlasLabelsAtVoxelCentres(
        fmt::readNiftiImage(bids / bids_study::kAtlasImage), maps.header);
    const std::size_t voxels = atlas.size();
    if (maps.values.size() < 3 * voxels)
        throw std::runtime_error(sub + ": the latency maps hold fewer than 3 maps");
    for (const auto& region : truth["regions"]) {
        std::vector<double> onset, peak;
        for (std::size_t v = 0; v < voxels; ++v)
            if (atlas[v] == region["atlas_label"].get<int>()) {
                onset.push_back(maps.values[v]);
                peak.push_back(maps.values[2 * voxels + v]);
            }
        const auto& e = region["expected"];
        std::printf(
            "  %s %-8s onset true %.2f s, estimated %.2f s; time to peak true %.2f ... %.2f s, estimated "
            "%.2f s (median of %zu voxels)\n",
            sub.c_str(), region["name"].get<std::string>().c_str(), e["onset_s"].get<double>(), median(onset),
            e["time_to_peak_range_s"][0].get<double>(), e["time_to_peak_range_s"][1].get<double>(),
            median(peak), onset.size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: talvora-bids-latency-summary BIDS_DIR OUTPUT_DIR\n";
        return 2;
    }
    try {
        std::ifstream in(fs::path(argv[1]) / "truth.json");
        const auto truth = nlohmann::json::parse(in);
        for (const auto& [sub, participant] : truth.items())
            summarise(argv[1], argv[2], sub, participant.at("latency"));
    } catch (const std::exception& e) {
        std::cerr << "talvora-bids-latency-summary: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
