// make_bids_bench_dataset: a BIDS dataset of realistic size for timing
// talvora-bids. Per participant one run of the task "latency" (the latency
// example study on a larger grid, converted to NIfTI as the example dataset
// is) and one run of the task "granger" (the Granger study's simulated time
// courses on the same grid), both 3 mm voxels, with their events; at the top
// an atlas whose label 1 is the Granger study's reference region.
//
//   make_bids_bench_dataset DIR [--participants N] [--dims X Y Z] [--volumes T]
//
// Only the sizes matter for timing; the responses are those of the study
// libraries, so the analyses find something to fit.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "frame/atomic_file.h"
#include "host/formats/convert_registry.h"
#include "host/formats/nifti_image.h"
#include "host/formats/world_placement.h"
#include "tools/make_study/granger_study.h"
#include "tools/make_study/study_design.h"
#include "tools/make_study/job_files.h"
#include "tools/make_study/study_files.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

struct Size {
    int participants = 2;
    std::array<int, 3> dims{64, 64, 32};
    int volumes = 200;
};

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << text; });
}

std::string label(int participant) {
    return (participant < 10 ? "0" : "") + std::to_string(participant);
}

std::string seconds(double ms) {
    std::ostringstream s;
    s << ms / 1000.0;
    return s.str();
}

// 3 mm voxels, the grid centred on the origin (RAS).
fmt::Affine gridAffine(const std::array<int, 3>& dims) {
    fmt::Affine a = fmt::Affine::Identity();
    for (int axis = 0; axis < 3; ++axis) {
        a(axis, axis) = 3.0;
        a(axis, 3) = -1.5 * (dims[axis] - 1);
    }
    return a;
}

// The latency study: trials 20 s apart at TR 1 s, as many as fit in the
// volumes asked for; its VTC placed in the world, then converted.
int writeLatencyRun(const Size& size, int participant, const fs::path& scratch, const fs::path& bold,
                    const fs::path& events) {
    study::StudyOptions options;
    options.vtcs = 1;
    options.glm = false;
    options.seed = static_cast<std::uint64_t>(participant);
    options.dims = size.dims;
    options.trMs = 1000;
    options.trials = std::max(2, (size.volumes - 12) / 20);
    const auto design = study::planStudy(options);
    std::ostringstream quiet;
    study::writeStudy(design, scratch, quiet);
    const fs::path vtc = scratch / study::StudyFiles::vtc(0);
    fmt::Placement placement;  // 1 mm anatomy, voxel (0, 0, 0) at -128 mm, as the example dataset
    placement.anatomicalToWorld.diagonal() << 1, 1, 1, 1;
    placement.anatomicalToWorld.col(3).head<3>().setConstant(-128.0);
    placement.source = "make_bids_bench_dataset";
    fmt::writePlacementSidecar(vtc, placement, design.grid);
    fmt::ConvertRequest request;
    request.input = vtc;
    request.output = bold;
    request.report = &quiet;
    fmt::runConversion(request);
    fs::remove(fs::path(bold).replace_extension("").replace_extension(".json"));
    std::string table = "onset\tduration\ttrial_type\n";
    for (int onset : design.onsetsMs)
        table += seconds(onset) + "\t" + seconds(design.stimulusMs) + "\tEvent\n";
    writeText(events, table);
    return design.nrOfVolumes;
}

// The Granger study's time courses (one row of volumes per voxel) as a
// volume-major image, and its two task intervals as events.
void writeGrangerRun(const Size& size, int participant, const fs::path& bold, const fs::path& events) {
    study::GrangerStudyOptions options;
    options.dimX = size.dims[0];
    options.dimY = size.dims[1];
    options.dimZ = size.dims[2];
    options.volumes = size.volumes;
    const std::vector<float> courses = study::simulateGrangerSubject(options, participant);
    const std::size_t voxels = std::size_t(size.dims[0]) * size.dims[1] * size.dims[2];
    const std::size_t volumes = std::size_t(size.volumes);
    std::vector<float> image(courses.size());
    for (std::size_t v = 0; v < voxels; ++v)
        for (std::size_t t = 0; t < volumes; ++t) image[t * voxels + v] = courses[v * volumes + t];
    fmt::NiftiOutput out;
    out.size = {size.dims[0], size.dims[1], size.dims[2], size.volumes};
    out.affine = gridAffine(size.dims);
    out.trSeconds = options.trMs / 1000.0;
    out.description = "make_bids_bench_dataset granger run";
    fmt::writeNiftiImage(bold, out, image);
    std::string table = "onset\tduration\ttrial_type\n";
    for (const auto& [first, last] : study::taskIntervals(size.volumes))
        table += seconds((first - 1) * options.trMs) + "\t" + seconds((last - first + 1) * options.trMs) +
                 "\tTask\n";
    writeText(events, table);
}

// Label 1 on the Granger study's reference voxels, 2 elsewhere.
void writeAtlas(const Size& size, const fs::path& path) {
    study::GrangerStudyOptions options;
    options.dimX = size.dims[0];
    options.dimY = size.dims[1];
    options.dimZ = size.dims[2];
    std::vector<float> labels;
    for (const auto kind : study::grangerVoxelKinds(options))
        labels.push_back(kind == study::VoxelKind::Reference ? 1.0f : 2.0f);
    fmt::NiftiOutput out;
    out.size = {size.dims[0], size.dims[1], size.dims[2], 1};
    out.affine = gridAffine(size.dims);
    out.asUint8 = true;
    out.description = "reference region";
    fmt::writeNiftiImage(path, out, labels);
    writeText(fs::path(path).replace_extension("").replace_extension(".tsv"),
              "index\tname\n1\tReference\n2\tElsewhere\n");
}

void writeDataset(const Size& size, const fs::path& folder) {
    fs::create_directories(folder);
    writeText(
        folder / "dataset_description.json",
        json{{"Name", "talvora-bids benchmark"}, {"BIDSVersion", "1.8.0"}, {"DatasetType", "raw"}}.dump(2) +
            "\n");
    writeText(folder / "README",
              "A synthetic dataset for timing talvora-bids, by make_bids_bench_dataset.\n");
    writeText(folder / ".bidsignore", "atlas_dseg.*\n");
    writeAtlas(size, folder / "atlas_dseg.nii.gz");
    std::string participants = "participant_id\n";
    int latencyVolumes = 0;
    for (int p = 1; p <= size.participants; ++p) {
        const std::string sub = "sub-" + label(p);
        const fs::path func = folder / sub / "func";
        fs::create_directories(func);
        const fs::path scratch = folder / ".scratch";
        latencyVolumes = writeLatencyRun(size, p, scratch, func / (sub + "_task-latency_run-1_bold.nii.gz"),
                                         func / (sub + "_task-latency_run-1_events.tsv"));
        fs::remove_all(scratch);
        writeGrangerRun(size, p, func / (sub + "_task-granger_run-1_bold.nii.gz"),
                        func / (sub + "_task-granger_run-1_events.tsv"));
        participants += sub + "\n";
        std::cout << "wrote " << sub << "\n";
    }
    writeText(folder / "participants.tsv", participants);
    writeText(folder / "task-latency_bold.json",
              json{{"RepetitionTime", 1.0}, {"TaskName", "latency"}}.dump(2));
    writeText(folder / "task-granger_bold.json",
              json{{"RepetitionTime", 2.0}, {"TaskName", "granger"}}.dump(2));
    std::cout << size.participants << " participants, " << size.dims[0] << " x " << size.dims[1] << " x "
              << size.dims[2] << " voxels, latency runs of " << latencyVolumes << " volumes, granger runs of "
              << size.volumes << " volumes\n";
}

int usage() {
    std::cerr << "usage: make_bids_bench_dataset DIR [--participants N] [--dims X Y Z] [--volumes T]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    Size size;
    const fs::path folder = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        const auto number = [&] {
            if (++i >= argc) throw std::invalid_argument(option + " needs a value");
            return std::stoi(argv[i]);
        };
        try {
            if (option == "--participants")
                size.participants = number();
            else if (option == "--volumes")
                size.volumes = number();
            else if (option == "--dims")
                for (int& d : size.dims) d = number();
            else
                return usage();
        } catch (const std::exception& e) {
            std::cerr << "make_bids_bench_dataset: " << e.what() << "\n";
            return 2;
        }
    }
    if (size.participants < 1 || size.participants > 99 || size.volumes < 40 || size.dims[0] < 4 ||
        size.dims[1] < 4 || size.dims[2] < 1) {
        std::cerr
            << "make_bids_bench_dataset: participants 1 ... 99, volumes 40 or more, dims 4 4 1 or more\n";
        return 2;
    }
    try {
        writeDataset(size, folder);
    } catch (const std::exception& e) {
        std::cerr << "make_bids_bench_dataset: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
