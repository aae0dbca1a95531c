#include "bids/analyses/distortion.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include <nlohmann/json.hpp>

#include "bids/analyses/field_pairs.h"
#include "bids/analyses/host_program.h"
#include "bids/analyses/outputs.h"
#include "bids/derivatives/naming.h"
#include "frame/deliverables/Mirel_r122.h"
#include "host/formats/convert_registry.h"
#include "host/formats/nifti_image.h"

namespace bids::analyses {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

constexpr const char* kPlugin = tl::deliverables::kMirel.name;

std::string bidsUri(const layout::DataFile& file) {
    return "bids::" + file.relative.generic_string();
}

std::string gridText(const fmt::NiftiHeader& h) {
    return std::to_string(h.size[0]) + " x " + std::to_string(h.size[1]) + " x " + std::to_string(h.size[2]);
}

bool sameGrid(const fmt::NiftiHeader& a, const fmt::NiftiHeader& b) {
    for (int axis = 0; axis < 3; ++axis)
        if (a.size[axis] != b.size[axis]) return false;
    return (a.affine - b.affine).cwiseAbs().maxCoeff() <= 1e-4;
}

// The plug-in corrects a project with the map of the pair's grid, voxel for
// voxel: a pair on two grids, or a run on another grid than its pair, would
// be corrected with the field of other places. Such input is refused; the
// app does not resample.
void checkGrids(const FieldPair& pair, const std::vector<app::Run>& runs) {
    // Headers only: the conversions after this read (and check) the values.
    const fmt::NiftiHeader first = fmt::readNiftiHeader(pair.first.epi.path);
    const fmt::NiftiHeader second = fmt::readNiftiHeader(pair.second.epi.path);
    if (!sameGrid(first, second))
        throw std::runtime_error(pair.first.epi.path.string() + " and " + pair.second.epi.path.string() +
                                 ": the pair lies on two grids (" + gridText(first) + " and " +
                                 gridText(second) +
                                 " voxels, or other voxel-to-world matrices); a pair needs one grid");
    for (std::size_t r : pair.runs) {
        const fmt::NiftiHeader run = fmt::readNiftiHeader(runs[r].bold.path);
        if (!sameGrid(first, run))
            throw std::runtime_error(
                runs[r].bold.path.string() + ": not on the grid of its field-map pair " +
                pair.first.epi.path.string() + " (" + gridText(run) + " and " + gridText(first) +
                " voxels, or other voxel-to-world matrices); the runs a pair is for must "
                "lie on the pair's grid (talvora-bids does not resample)");
    }
}

// The image as `stem` in the work folder with its inherited metadata beside
// it, the sidecar the conversion reads: the dataset itself is never written.
fs::path stageImage(const layout::DataFile& file, const json& metadata, const fs::path& folder,
                    const std::string& stem) {
    const fs::path image = folder / (stem + file.name.extension);
    std::error_code error;
    fs::remove(image, error);
    fs::create_symlink(fs::absolute(file.path), image, error);
    if (error) fs::copy_file(file.path, image);
    std::ofstream(folder / (stem + ".json")) << metadata.dump(2) << "\n";
    return image;
}

void convert(const fs::path& input, const fs::path& output, std::ostream& report,
             const std::map<std::string, std::string>& options = {},
             const std::set<std::string>& flags = {}) {
    fmt::ConvertRequest request;
    request.input = input;
    request.output = output;
    request.options = options;
    request.flags = flags;
    request.report = &report;
    fmt::runConversion(request);
}

std::string runStem(std::size_t run) {
    return "run" + std::to_string(run + 1);
}

json estimateParameters(const FieldPair& pair) {
    return json{{"file0", "first.fmr"},
                {"file1", "second.fmr"},
                {"volume0", 0},
                {"volume1", 0},
                {"rllr", pair.first.encoding.axis == 0 ? 1 : 0},
                {"use_ic", 0},
                {"use_ssd", 0},
                {"apply_to_input", 1},
                {"save_derivative", 0},
                {"order", 0}};
}

// Estimate from volume 0 of each series (normalised cross-correlation, no
// intensity correction: the smallest typical error on the phantoms),
// undistorting the pair itself (so that its two series can be compared
// before and after), then undistort each run with the map of the series
// encoded like it.
json distortionJob(const FieldPair& pair, const std::vector<int>& seriesOfRun) {
    const int rllr = pair.first.encoding.axis == 0 ? 1 : 0;
    std::string all = "first.fmr\nsecond.fmr";
    std::string byFirst, bySecond;
    for (std::size_t i = 0; i < pair.runs.size(); ++i) {
        const std::string project = runStem(pair.runs[i]) + ".fmr";
        all += "\n" + project;
        std::string& list = seriesOfRun[i] == 0 ? byFirst : bySecond;
        list += (list.empty() ? "" : "\n") + project;
    }
    json commands = json::array();
    commands.push_back({{"command", "check"}, {"parameters", {{"files", all}}}});
    commands.push_back(
        {{"command", "estimate"}, {"parameters", estimateParameters(pair)}, {"print", {"vdm"}}});
    if (!byFirst.empty())
        commands.push_back({{"command", "apply"},
                            {"parameters", {{"vdm", "first_vdm.map"}, {"rllr", rllr}, {"files", byFirst}}}});
    if (!bySecond.empty())
        commands.push_back(
            {{"command", "apply"},
             {"parameters", {{"vdm", "second_vdm.map"}, {"rllr", rllr}, {"files", bySecond}}}});
    return json{
        {"comment", "Distortion correction of " + pair.first.epi.name.str() + " and " +
                        pair.second.epi.name.str() + " and the runs they are for, written by talvora-bids"},
        {"plugin", kPlugin},
        {"documents", {{"fmr", "first.fmr"}}},
        {"commands", commands}};
}

// One pair's work: its folder, the job, and what the host left there.
struct PairWork {
    const FieldPair* pair = nullptr;
    fs::path folder;
    json plan;
    layout::FileName name;  // of the field derivative's source
    std::string desc = "pepolar";
};

// The plug-in ends "estimate" without a map on data it cannot register
// (values that are not numbers, a diverging estimate) and says why in its
// log; the pair is then named with that line rather than the later "apply"
// that found no map.
void runPluginJob(const PairWork& work) {
    const fs::path log = work.folder / "host_output.txt";
    std::string failure;
    try {
        runHostJob(work.folder / "job.json", work.folder / "transcript.json", log);
    } catch (const std::runtime_error& e) {
        failure = e.what();
    }
    if (fs::exists(work.folder / "first_vdm.map")) {
        if (!failure.empty()) throw std::runtime_error(failure);
        return;
    }
    std::ifstream in(log);
    std::string why;
    for (std::string line; std::getline(in, line);)
        if (line.find("Not-a-number") != std::string::npos || line.find("diverged") != std::string::npos ||
            line.find("Error: ") != std::string::npos) {
            why = line;
            break;
        }
    throw std::runtime_error(
        work.pair->first.epi.path.string() + " and " + work.pair->second.epi.path.string() +
        ": the distortion plug-in estimated no field from the pair" + (why.empty() ? "" : ": " + why));
}

void runPair(const app::ParticipantJob& job, PairWork& work, std::size_t index) {
    const FieldPair& pair = *work.pair;
    fs::create_directories(work.folder);
    std::ofstream report(work.folder / "convert_output.txt");
    job.step("converting pair " + std::to_string(index + 1) + " (" + pair.first.epi.path.filename().string() +
             ", " + pair.second.epi.path.filename().string() + ") and " + std::to_string(pair.runs.size()) +
             " run(s)");
    const fs::path first = stageImage(pair.first.epi, pair.first.metadata, work.folder, "first");
    const fs::path second = stageImage(pair.second.epi, pair.second.metadata, work.folder, "second");
    convert(first, work.folder / "first.fmr", report, {{"--pair", second.string()}});
    convert(second, work.folder / "second.fmr", report);
    std::vector<int> seriesOfRun;
    for (std::size_t r : pair.runs) {
        seriesOfRun.push_back(seriesForRun(pair, job.runs[r]));
        const fs::path bold = stageImage(job.runs[r].bold, job.runs[r].metadata, work.folder, runStem(r));
        convert(bold, work.folder / (runStem(r) + ".fmr"), report);
    }
    work.plan = distortionJob(pair, seriesOfRun);
    std::ofstream(work.folder / "job.json") << work.plan.dump(2) << "\n";

    job.step("running " + std::string(kPlugin) + " in talvora (pair " + std::to_string(index + 1) + ")");
    runPluginJob(work);
    convert(work.folder / "first_vdm.map", work.folder / "field.nii.gz", report, {}, {"--hz"});
    std::vector<std::string> stems{"first", "second"};
    for (std::size_t r : pair.runs) stems.push_back(runStem(r));
    for (const auto& stem : stems)
        convert(work.folder / (stem + "_undist.fmr"), work.folder / (stem + "_undistorted.nii.gz"), report);
}

// The field's name: the entities both series share (the `dir` of each
// differs); pairs that would share one are told apart by a numbered desc.
void nameFields(std::vector<PairWork>& works) {
    std::map<std::string, int> uses;
    for (auto& work : works) {
        for (const auto& e : work.pair->first.epi.name.entities) {
            const auto& other = work.pair->second.epi.name.entities;
            if (std::find(other.begin(), other.end(), e) != other.end()) work.name.entities.push_back(e);
        }
        work.name.suffix = "epi";
        work.name.extension = ".nii.gz";
        ++uses[work.name.str()];
    }
    std::map<std::string, int> numbered;
    for (auto& work : works)
        if (uses[work.name.str()] > 1) work.desc += std::to_string(++numbered[work.name.str()]);
}

json fieldSidecar(const app::ParticipantJob& job, const PairWork& work) {
    const FieldPair& pair = *work.pair;
    json sidecar = json::parse(readText(work.folder / "field.json"));
    sidecar.erase("Source");
    sidecar.erase("MapName");
    sidecar.erase("PhaseEncodingDirection");
    sidecar["Description"] =
        "Off-resonance field in Hz estimated from the opposite phase-encoded EPI pair in \"Sources\" by the "
        "Talvora distortion plug-in Mirel_r122: a series encoded along +axis (\"" +
        std::string(pair.first.encoding.axis == 0 ? "i" : "j") +
        "\") is displaced by field x TotalReadoutTime voxels towards +axis, one encoded along -axis the other way";
    sidecar["Units"] = "Hz";
    sidecar["Sources"] = json::array({bidsUri(pair.first.epi), bidsUri(pair.second.epi)});
    json intended = json::array();
    for (std::size_t r : pair.runs) intended.push_back(bidsUri(job.runs[r].bold));
    sidecar["IntendedFor"] = intended;
    if (!pair.identifier.empty()) sidecar["B0FieldIdentifier"] = pair.identifier;
    sidecar["PluginSettings"] = work.plan["commands"][1]["parameters"];
    return sidecar;
}

// The sidecar of an undistorted series (a run, or a series of the pair):
// the conversion's (timing, phase encoding) with what the correction did.
json undistortedSidecar(const app::ParticipantJob& job, const PairWork& work, const std::string& stem,
                        const json& sources, const std::string& what, const fs::path& field) {
    json sidecar = json::parse(readText(work.folder / (stem + "_undistorted.json")));
    sidecar.erase("Source");
    sidecar["Description"] = what +
                             " undistorted along its phase-encoding axis with the field of the EPI pair "
                             "(\"FieldMap\") by the Talvora distortion plug-in Mirel_r122 (cubic B-spline "
                             "resampling), on its own grid";
    sidecar["Sources"] = sources;
    sidecar["FieldMap"] = field.lexically_relative(job.writer.output()).generic_string();
    json commands = json::array();
    for (const auto& command : work.plan["commands"])
        if (command["command"] != "check") commands.push_back(command);
    sidecar["PluginSettings"] = commands;
    return sidecar;
}

void writeUndistorted(const app::ParticipantJob& job, const PairWork& work, const std::string& stem,
                      const fs::path& target, const json& sidecar) {
    job.writer.writeImage(target, sidecar, [&](const fs::path& temporary) {
        fs::copy_file(work.folder / (stem + "_undistorted.nii.gz"), temporary);
    });
}

void writePair(const app::ParticipantJob& job, const PairWork& work) {
    const FieldPair& pair = *work.pair;
    const auto field = derivatives::derivativePath(job.writer.output(), work.name, "fmap",
                                                   {{{"desc", work.desc}}, "fieldmap", ".nii.gz"});
    job.writer.writeImage(field, fieldSidecar(job, work), [&](const fs::path& temporary) {
        fs::copy_file(work.folder / "field.nii.gz", temporary);
    });
    for (const auto& [stem, series] :
         {std::pair<const char*, const FieldSeries*>{"first", &pair.first}, {"second", &pair.second}}) {
        const auto target = derivatives::derivativePath(job.writer.output(), series->epi.name, "fmap",
                                                        {{{"desc", "undistorted"}}, "epi", ".nii.gz"});
        writeUndistorted(job, work, stem, target,
                         undistortedSidecar(job, work, stem, json::array({bidsUri(series->epi)}),
                                            "The EPI series in \"Sources\"", field));
    }
    for (std::size_t r : pair.runs) {
        const auto target = derivatives::derivativePath(job.writer.output(), job.runs[r].bold.name, "func",
                                                        {{{"desc", "undistorted"}}, "bold", ".nii.gz"});
        const json sources =
            json::array({bidsUri(job.runs[r].bold), bidsUri(pair.first.epi), bidsUri(pair.second.epi)});
        writeUndistorted(
            job, work, runStem(r), target,
            undistortedSidecar(job, work, runStem(r), sources, "The BOLD run in \"Sources\"", field));
    }
    keepHostLogs(job, work.name, work.desc, work.folder);
}

}  // namespace

void runDistortion(const app::ParticipantJob& job) {
    job.step("pairing the field maps");
    const FieldPlan plan = pairFieldMaps(job.plan.dataset, job.label, job.runs);
    for (std::size_t r : plan.uncorrected)
        job.step("note: " + job.runs[r].bold.path.string() +
                 ": no field-map pair is for this run; it is left uncorrected");
    std::vector<PairWork> works;
    for (std::size_t p = 0; p < plan.pairs.size(); ++p) {
        checkGrids(plan.pairs[p], job.runs);
        for (std::size_t r : plan.pairs[p].runs) seriesForRun(plan.pairs[p], job.runs[r]);
        PairWork work;
        work.pair = &plan.pairs[p];
        work.folder = job.workDir / ("pair" + std::to_string(p + 1));
        works.push_back(work);
    }
    nameFields(works);
    // Every host run ends before the first derivative is written.
    for (std::size_t p = 0; p < works.size(); ++p) runPair(job, works[p], p);
    job.step("writing " + std::to_string(works.size()) + " field map(s) and the undistorted runs as NIfTI");
    for (const auto& work : works) writePair(job, work);
}

}  // namespace bids::analyses
