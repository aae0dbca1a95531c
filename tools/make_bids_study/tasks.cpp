#include "tools/make_bids_study/tasks.h"

#include <fstream>
#include <sstream>

#include "frame/atomic_file.h"
#include "host/formats/vtc_file.h"
#include "tools/make_study/granger_study.h"
#include "tools/make_study/job_files.h"
#include "tools/make_study/study_design.h"
#include "tools/make_study/study_files.h"

namespace bids_study {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << text; });
}

std::string runStem(const std::string& subject, const std::string& task, int run) {
    return subject + "_task-" + task + "_run-" + std::to_string(run);
}

// Writes run `run` (from 1) of a task: the VTC as BOLD, its protocol as events.
std::string writeRun(const fs::path& vtc, const fs::path& subjectFolder, const std::string& task, int run,
                     const RunPlacement& placement) {
    const std::string subject = subjectFolder.filename().string();
    const fs::path func = subjectFolder / "func";
    fs::create_directories(func);
    const std::string stem = runStem(subject, task, run);
    writeBoldRun(vtc, func / (stem + "_bold.nii.gz"), placement);
    writeText(func / (stem + "_events.tsv"), eventsOfVtc(vtc));
    return subject + "/func/" + stem + "_bold.nii.gz";
}

GridLabels gridLabels(const fs::path& voi, const fs::path& vtc, const RunPlacement& placement,
                      int firstLabel) {
    const fmt::FunctionalGrid grid = fmt::readVtcHeader(vtc).grid;
    GridLabels out;
    out.placement = placement;
    out.dims = {grid.dimX(), grid.dimY(), grid.dimZ()};
    out.labels = voiLabelsOnGrid(fmt::readVoiFile(voi), grid);
    for (int& label : out.labels)
        if (label != 0) label += firstLabel - 1;
    return out;
}

}  // namespace

std::string participantLabel(int participant) {
    return (participant < 10 ? "0" : "") + std::to_string(participant);
}

TaskOutput writeLatencyTask(int participant, double snr, const fs::path& subject, const fs::path& scratch) {
    study::StudyOptions options;
    options.vtcs = 2;
    options.glm = false;
    options.seed = static_cast<std::uint64_t>(participant);
    options.snr = snr;
    const auto design = study::planStudy(options);
    std::ostringstream quiet;
    study::writeStudy(design, scratch, quiet);

    // Anatomical voxel (0, 0, 0) at the origin constant, 1 mm voxels: the
    // first VTC voxel's centre lies half a VTC voxel into the grid's box.
    const auto& g = design.grid;
    const double r = g.resolution, half = (r - 1) / 2.0;
    const RunPlacement placement = axisAlignedPlacement(
        r,
        {kLatencyAnatomyOriginMm + g.xStart + half, kLatencyAnatomyOriginMm + g.yStart + half,
         kLatencyAnatomyOriginMm + g.zStart + half},
        false);
    TaskOutput out;
    out.truth = study::truthJson(design);
    out.truth.erase("files");  // those of the VTC study, not of this dataset
    out.truth.erase("jobs");
    json bold = json::array();
    for (int run = 0; run < options.vtcs; ++run)
        bold.push_back(
            writeRun(scratch / study::StudyFiles::vtc(run), subject, kLatencyTask, run + 1, placement));
    out.truth["bold"] = bold;
    out.regions =
        gridLabels(scratch / study::StudyFiles::kVois, scratch / study::StudyFiles::vtc(0), placement, 1);
    for (auto& region : out.truth["regions"]) {
        region["atlas_label"] = region["voi_number"];
        out.regionNames.push_back(region["name"]);
    }
    out.trSeconds = options.trMs / 1000.0;
    return out;
}

TaskOutput writeGrangerTask(int participant, int referenceLabel, const fs::path& subject,
                            const fs::path& study) {
    const fs::path vtc = study / study::subjectId(participant) / "run1.vtc";
    const fmt::FunctionalGrid grid = fmt::readVtcHeader(vtc).grid;
    const double r = grid.resolution;
    const RunPlacement placement = axisAlignedPlacement(
        r,
        {kGrangerCentreMm[0] - r * (grid.dimX() - 1) / 2.0, kGrangerCentreMm[1] - r * (grid.dimY() - 1) / 2.0,
         kGrangerCentreMm[2] - r * (grid.dimZ() - 1) / 2.0},
        true);
    TaskOutput out;
    std::ifstream in(study / "truth.json");
    out.truth = json::parse(in);
    out.truth.erase("subjects");
    out.truth["bold"] = json::array({writeRun(vtc, subject, kGrangerTask, 1, placement)});
    out.truth["reference_label"] = referenceLabel;
    out.truth["reference_region"] = "Reference";
    out.truth["voxel_order"] = "VTC voxels, x fastest; BOLD voxel i along x is VTC voxel nx - 1 - i";
    out.regions = gridLabels(study / "reference.voi", vtc, placement, referenceLabel);
    out.regionNames = {"Reference"};
    out.trSeconds = out.truth["tr_ms"].get<double>() / 1000.0;
    return out;
}

}  // namespace bids_study
