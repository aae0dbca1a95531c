// talvora-make-study: writes a synthetic event-related study (anatomy, VTCs,
// protocol, VOIs, mask, optional deconvolution GLM), its truth and job files
// that run the latency plug-in on it in the stand-in host.
#include "tools/make_study/study_design.h"
#include "tools/make_study/study_files.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"Write a synthetic study with known response timing for the latency plug-in"};
    study::StudyOptions options;
    std::string out = "example-study";
    std::vector<int> dims;
    std::string glmKind = "separate";
    std::string voiCoords = "volume";
    app.add_option("--out", out, "Folder to write the study into (created when missing)")
        ->capture_default_str();
    app.add_option("--vtcs", options.vtcs, "Number of runs (VTC files), 1 ... 200")->capture_default_str();
    app.add_option("--snr", options.snr, "Response amplitude / noise SD per voxel; 0 for no noise")
        ->capture_default_str();
    app.add_option("--seed", options.seed, "Seed of the noise generator")->capture_default_str();
    app.add_option("--dims", dims, "VTC grid size X Y Z (default: chosen from the regions or the mask size)")
        ->expected(3);
    app.add_option("--tr", options.trMs, "Repetition time in ms")->capture_default_str();
    app.add_option("--trials", options.trials, "Trials (stimuli) per run, 1 ... 100")->capture_default_str();
    app.add_option("--regions", options.regions, "Regions with a response, 1 ... 12")->capture_default_str();
    app.add_option("--voxelwise-mask-size", options.maskSize,
                   "Make a voxel-wise study whose mask selects exactly this many voxels (e.g. 20000)");
    app.add_option("--factor", options.factor, "Interpolation factor the job files answer, 1 ... 4")
        ->capture_default_str();
    app.add_option("--glm", glmKind, "Deconvolution GLM: separate (per-run predictors), shared or none")
        ->check(CLI::IsMember({"separate", "shared", "none"}))
        ->capture_default_str();
    app.add_option("--voi-coords", voiCoords, "VOI voxel convention: volume or reference")
        ->check(CLI::IsMember({"volume", "reference"}))
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    if (!dims.empty()) options.dims = {dims[0], dims[1], dims[2]};
    options.glm = glmKind != "none";
    options.glmSeparatePredictors = glmKind == "separate";
    options.referenceVoiCoords = voiCoords == "reference";
    try {
        const study::StudyDesign design = study::planStudy(options);
        study::writeStudy(design, out, std::cout);
        std::size_t masked = 0;
        for (auto m : design.mask) masked += m ? 1 : 0;
        std::cout << "study: " << design.dimX() << " x " << design.dimY() << " x " << design.dimZ()
                  << " voxels, " << design.nrOfVolumes << " volumes of " << options.trMs << " ms, "
                  << options.trials << " trials, " << design.regions.size() << " regions, " << masked
                  << " mask voxels\n";
    } catch (const std::exception& e) {
        std::cerr << "talvora-make-study: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
