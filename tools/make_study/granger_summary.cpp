// talvora-gcm-study-summary: per kind of voxel of a generated Granger study,
// the mean Ref2Vox, Vox2Ref, Inst and dGCM over its subjects and the share of
// voxels above the q = 0.05 threshold, beside the truth the study was made
// from. Inst and dGCM (and their thresholds) come from the plug-in's map
// files; Ref2Vox and Vox2Ref, which those files do not hold, are computed from
// the VTCs with the same estimator.
#include "granger/core/gcm_settings.h"
#include "granger/core/geweke.h"
#include "host/formats/map_file.h"
#include "host/formats/vtc_file.h"
#include "tools/make_study/granger_study.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Sums {
    int voxels = 0;
    double ref2vox = 0, vox2ref = 0, inst = 0, dgcm = 0;
    int instAbove = 0, dgcmAbove = 0;
};

bool above(float value, float threshold) {
    return threshold > 0.0f ? std::fabs(value) > threshold : value != 0.0f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: talvora-gcm-study-summary STUDY_DIR\n";
        return 2;
    }
    const fs::path dir = argv[1];
    try {
        std::ifstream truthFile(dir / "truth.json");
        if (!truthFile) throw std::runtime_error((dir / "truth.json").string() + ": cannot open");
        const json truth = json::parse(truthFile);
        granger::core::GcmSettings settings;
        std::ifstream ini(dir / "VUVIrurar.ini");
        std::ostringstream errors;
        if (ini && !granger::core::readGcmSettings(ini, settings, errors))
            throw std::runtime_error((dir / "VUVIrurar.ini").string() + ": " + errors.str());
        const int p = settings.arOrder;
        const auto kinds = truth.at("voxel_kinds").get<std::vector<std::string>>();
        const auto intervals = truth.at("task_intervals").get<std::vector<std::pair<int, int>>>();
        const int subjects = truth.at("subjects").get<int>();
        std::map<std::string, Sums> sums;
        for (int s = 1; s <= subjects; ++s) {
            const std::string id = study::subjectId(s);
            const auto maps =
                talvora::formats::readMapSetFile(dir / id / (id + "_COND-Task_VOI-Reference.gcm"));
            const auto vtc = talvora::formats::readVtcFile(dir / id / "run1.vtc");
            const int v = vtc.header.nrOfVolumes;
            auto value = [&](std::size_t voxel, int t) {
                const std::size_t i = voxel * static_cast<std::size_t>(v) + static_cast<std::size_t>(t);
                return vtc.header.floatData() ? vtc.floatValues[i] : static_cast<float>(vtc.intValues[i]);
            };
            std::vector<float> ref(static_cast<std::size_t>(v), 0.0f);
            int nRef = 0;
            for (std::size_t k = 0; k < kinds.size(); ++k)
                if (kinds[k] == "reference") {
                    for (int t = 0; t < v; ++t) ref[static_cast<std::size_t>(t)] += value(k, t);
                    ++nRef;
                }
            for (float& x : ref) x /= static_cast<float>(nRef);
            const float instThreshold = maps.maps.at(0).fdrThresholds.at(1);
            const float dgcmThreshold = maps.maps.at(1).fdrThresholds.at(1);
            for (std::size_t k = 0; k < kinds.size(); ++k) {
                granger::core::LagCovariances cov(p);
                std::vector<float> vox(static_cast<std::size_t>(v));
                for (int t = 0; t < v; ++t) vox[static_cast<std::size_t>(t)] = value(k, t);
                for (const auto& [first, last] : intervals) {
                    const int n = last - first + 1;
                    std::vector<float> dr(static_cast<std::size_t>(n)), dv(static_cast<std::size_t>(n));
                    granger::core::detrend(ref.data() + first - 1, n, dr.data());
                    granger::core::detrend(vox.data() + first - 1, n, dv.data());
                    granger::core::addLagCovariances(dr.data(), dv.data(), n, cov);
                }
                cov.scale(1.0 / static_cast<double>(intervals.size()));
                granger::core::GewekeMeasures m;
                if (!granger::core::gewekeMeasures(cov, m)) m = granger::core::GewekeMeasures{};
                Sums& sum = sums[kinds[k]];
                ++sum.voxels;
                sum.ref2vox += settings.mapScaleFactor * m.ref2vox;
                sum.vox2ref += settings.mapScaleFactor * m.vox2ref;
                sum.inst += maps.maps[0].values[k];
                sum.dgcm += maps.maps[1].values[k];
                sum.instAbove += above(maps.maps[0].values[k], instThreshold) ? 1 : 0;
                sum.dgcmAbove += above(maps.maps[1].values[k], dgcmThreshold) ? 1 : 0;
            }
        }
        std::printf(
            "Granger study %s: %d subjects, AR order %d, maps scaled by %g; share above the q = 0.05 threshold\n",
            dir.string().c_str(), subjects, p, settings.mapScaleFactor);
        std::printf("%-16s %6s %9s %9s %9s %9s %9s %9s  %s\n", "kind", "voxels", "Ref2Vox", "Vox2Ref", "Inst",
                    "dGCM", ">q Inst", ">q dGCM", "truth");
        const json& model = truth.at("model");
        for (const char* kind :
             {"driven (lag 1)", "driven (lag 2)", "driving", "instantaneous", "independent", "reference"}) {
            const auto it = sums.find(kind);
            if (it == sums.end()) continue;
            const Sums& s = it->second;
            const double n = s.voxels;
            const std::string truthText =
                model.contains(kind) ? model.at(kind).get<std::string>() : "the VOI itself";
            std::printf("%-16s %6d %9.2f %9.2f %9.2f %9.2f %8.0f%% %8.0f%%  %s\n", kind, s.voxels,
                        s.ref2vox / n, s.vox2ref / n, s.inst / n, s.dgcm / n, 100.0 * s.instAbove / n,
                        100.0 * s.dgcmAbove / n, truthText.c_str());
        }
    } catch (const std::exception& e) {
        std::cerr << "talvora-gcm-study-summary: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
