#include "tools/make_study/job_files.h"

namespace study {
using nlohmann::json;

std::vector<LatencyJob> latencyJobs(const StudyDesign& design) {
    std::vector<LatencyJob> jobs{{"mode1", 1, false, false},
                                 {"mode2", 2, false, false},
                                 {"mode3", 3, false, false},
                                 {"single_trial", 1, true, false}};
    if (design.options.glm) jobs.push_back({"glm", 1, false, true});
    return jobs;
}

namespace {
json ask(const std::string& expect, json value) {
    return json{{"expect", expect}, {"value", std::move(value)}};
}
}  // namespace

json latencyJobJson(const StudyDesign& design, const LatencyJob& job) {
    const StudyOptions& o = design.options;
    json answers = json::array();
    answers.push_back(ask("Select VTC access mode", job.accessMode));
    for (int run = 0; run < o.vtcs; ++run)
        answers.push_back(ask("Please choose VTC n." + std::to_string(run + 1) + " (cancel to stop)",
                              StudyFiles::vtc(run)));
    answers.push_back(
        ask("Please choose VTC n." + std::to_string(o.vtcs + 1) + " (cancel to stop)", nullptr));
    if (job.glm) answers.push_back(ask("Do you want to use deconvolved responses from current GLM ?", true));
    if (job.accessMode == 3) answers.push_back(ask("Choose the mask file :", StudyFiles::kMask));
    if (!job.glm) {
        answers.push_back(ask("Enter protocol condition:", 1));
        answers.push_back(ask("Enter an integer interpolation factor", o.factor));
        answers.push_back(
            ask("Enter event-related time window for processing (in msec):", design.jobWindowMs()));
        answers.push_back(ask("Do you want to perform single-trial-based analysis ?", job.singleTrial));
        if (o.factor > 1)
            answers.push_back(ask("Interpolation before fitting improves temporal resolution", true));
    } else {
        answers.push_back(ask("Please select the first data point:", 1));
        answers.push_back(ask("Please select the last data point:", design.deconvolutionPoints));
    }
    if (job.singleTrial)
        answers.push_back(ask("Please enter confidence level for single-trial latency estimation:", 0.05));
    answers.push_back(ask("Do you want to force a return-to-baseline part?", true));
    answers.push_back(ask("Choose a name for the BLM file :", "latency_" + job.name + ".blm"));

    json documents{{"vmr", StudyFiles::kVmr}};
    if (job.accessMode != 3) documents["vois"] = StudyFiles::kVois;
    if (job.glm) documents["glm"] = StudyFiles::kGlm;

    std::string what = job.accessMode == 1   ? "VOI-based access"
                       : job.accessMode == 2 ? "voxel-based access to the VOIs' voxels"
                                             : "voxel-based access to the mask's voxels";
    if (job.singleTrial) what += ", single-trial analysis";
    if (job.glm) what += ", deconvolution betas of the GLM";
    return json{{"comment", "Latency mapping of the generated study: " + what + ". Results land in " +
                                job.workDir() + "/."},
                {"plugin", "LatmapPlugin"},
                {"work_dir", job.workDir()},
                {"documents", documents},
                {"answers", answers}};
}

}  // namespace study
