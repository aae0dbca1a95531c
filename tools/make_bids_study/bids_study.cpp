#include "tools/make_bids_study/bids_study.h"
#include "tools/make_bids_study/field_maps.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "frame/atomic_file.h"
#include "host/formats/convert_registry.h"
#include "host/formats/nifti_image.h"
#include "host/formats/world_placement.h"
#include "tools/make_study/job_files.h"
#include "tools/make_study/study_design.h"
#include "tools/make_study/study_files.h"

namespace bids_study {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

const char* kTask = "latency";

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << text; });
}

std::string label(int participant) {
    return (participant < 10 ? "0" : "") + std::to_string(participant);
}

// The study's events: one "Event" trial per stimulus, onsets and durations
// in seconds.
std::string eventsTsv(const study::StudyDesign& design) {
    std::string text = "onset\tduration\ttrial_type\n";
    for (int onset : design.onsetsMs)
        text +=
            std::to_string(onset / 1000.0) + "\t" + std::to_string(design.stimulusMs / 1000.0) + "\tEvent\n";
    return text;
}

// The atlas: region r + 1 where the study's region r lies, on the run's grid.
void writeAtlas(const study::StudyDesign& design, const fs::path& bold, const fs::path& atlas) {
    const fmt::NiftiReader run(bold);
    fmt::NiftiOutput out;
    out.size = {run.header().size[0], run.header().size[1], run.header().size[2], 1};
    out.affine = run.header().affine;
    out.xformCode = run.header().xformCode;
    out.asUint8 = true;
    out.description = "response regions";
    std::vector<float> labels(design.voxelCount(), 0.0f);
    for (int z = 0; z < design.dimZ(); ++z)
        for (int y = 0; y < design.dimY(); ++y)
            for (int x = 0; x < design.dimX(); ++x)
                labels[design.voxelIndex(x, y, z)] = static_cast<float>(design.regionOf(x, y, z) + 1);
    writeNiftiImage(atlas, out, labels);
}

json writeParticipant(const BidsStudyOptions& options, int participant, const fs::path& folder,
                      const fs::path& scratch, std::ostream& progress) {
    study::StudyOptions studyOptions;
    studyOptions.vtcs = 1;
    studyOptions.glm = false;
    studyOptions.seed = static_cast<std::uint64_t>(participant);
    studyOptions.snr = options.snr;
    const auto design = study::planStudy(studyOptions);
    const fs::path source = scratch / ("sub-" + label(participant));
    std::ostringstream quiet;
    study::writeStudy(design, source, quiet);

    // The VTC gets a world position, then becomes the BOLD run.
    fmt::Placement placement;
    placement.anatomicalToWorld.diagonal() << 1, 1, 1, 1;
    placement.anatomicalToWorld.col(3).head<3>().setConstant(kWorldOriginMm);
    placement.source = "talvora-make-bids-study";
    const fs::path vtc = source / study::StudyFiles::vtc(0);
    fmt::writePlacementSidecar(vtc, placement, design.grid);
    const std::string stem = "sub-" + label(participant) + "_task-" + kTask + "_run-1";
    const fs::path func = folder / ("sub-" + label(participant)) / "func";
    fs::create_directories(func);
    fmt::ConvertRequest request;
    request.input = vtc;
    request.output = func / (stem + "_bold.nii.gz");
    request.report = &quiet;
    fmt::runConversion(request);
    fs::remove(func /
               (stem + "_bold.json"));  // the conversion's own notes; the dataset's sidecar is at the top
    writeText(func / (stem + "_events.tsv"), eventsTsv(design));
    fs::create_directories(folder / ("sub-" + label(participant)) / "anat");
    writeAtlas(design, request.output,
               folder / ("sub-" + label(participant)) / "anat" /
                   ("sub-" + label(participant) + "_desc-regions_dseg.nii.gz"));
    progress << "wrote sub-" << label(participant) << "\n";
    auto truth = study::truthJson(design);
    truth.erase("files");  // those of the VTC study, not of this dataset
    truth.erase("jobs");
    truth["generator"] = "talvora-make-bids-study";
    truth["bold"] = (func / (stem + "_bold.nii.gz")).lexically_relative(folder).generic_string();
    truth["field_map"] =
        writeFieldMaps(folder / ("sub-" + label(participant)), {request.output}, studyOptions.seed);
    return truth;
}

}  // namespace

void writeBidsStudy(const BidsStudyOptions& options, const fs::path& folder, std::ostream& progress) {
    if (options.participants < 1 || options.participants > 99)
        throw std::runtime_error("--participants must be 1 ... 99");
    fs::create_directories(folder);
    const fs::path scratch = folder / ".make-bids-study";
    fs::remove_all(scratch);
    writeText(folder / "dataset_description.json", json{{"Name", "Talvora latency example"},
                                                        {"BIDSVersion", "1.8.0"},
                                                        {"DatasetType", "raw"},
                                                        {"Authors", {"talvora-make-bids-study"}}}
                                                           .dump(2) +
                                                       "\n");
    writeText(folder / "README",
              "A synthetic event-related study with known response timing, written by "
              "talvora-make-bids-study. truth.json holds each participant's regions and "
              "their expected latency measures.\n");
    writeText(folder / ".bidsignore", "truth.json\n");
    std::string participants = "participant_id\n";
    json truth = json::object();
    double trSeconds = 0;
    for (int p = 1; p <= options.participants; ++p) {
        truth["sub-" + label(p)] = writeParticipant(options, p, folder, scratch, progress);
        participants += "sub-" + label(p) + "\n";
        trSeconds = truth["sub-" + label(p)]["timing"]["tr_ms"].get<double>() / 1000.0;
    }
    fs::remove_all(scratch);
    writeText(folder / "participants.tsv", participants);
    writeText(folder / (std::string("task-") + kTask + "_bold.json"),
              json{{"RepetitionTime", trSeconds}, {"TaskName", kTask}}.dump(2) + "\n");
    writeText(folder / "desc-regions_dseg.tsv", "index\tname\n1\tRegion1\n2\tRegion2\n3\tRegion3\n");
    writeText(folder / "truth.json", truth.dump(2) + "\n");
}

}  // namespace bids_study
