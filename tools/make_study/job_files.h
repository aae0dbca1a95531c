// Job files that run the latency plug-in on a generated study in the
// stand-in host, one per way of running it, with every dialog answer in the
// order the plug-in asks.
#pragma once

#include "tools/make_study/study_design.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace study {

// File names inside a study folder.
struct StudyFiles {
    static constexpr const char* kVmr = "anatomy.vmr";
    static constexpr const char* kProtocol = "study.prt";
    static constexpr const char* kProtocolVolumes = "study_volumes.prt";
    static constexpr const char* kVois = "study.voi";
    static constexpr const char* kMask = "study.msk";
    static constexpr const char* kGlm = "study.glm";
    static constexpr const char* kTruth = "truth.json";
    static std::string vtc(int run) { return "run" + std::to_string(run + 1) + ".vtc"; }
};

struct LatencyJob {
    std::string name;    // e.g. "mode1"
    int accessMode = 1;  // 1 VOI-based, 2 voxels of the VOIs, 3 voxels of the mask
    bool singleTrial = false;
    bool glm = false;

    std::string fileName() const { return "job_" + name + ".json"; }
    std::string workDir() const { return "out_" + name; }
};

// The jobs a study gets: modes 1, 2, 3, single-trial and, with a GLM, GLM.
std::vector<LatencyJob> latencyJobs(const StudyDesign& design);

nlohmann::json latencyJobJson(const StudyDesign& design, const LatencyJob& job);

}  // namespace study
