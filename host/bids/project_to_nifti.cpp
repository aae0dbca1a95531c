#include "host/bids/project_to_nifti.h"

#include "host/bids/bids_sidecar.h"
#include "host/bids/fmr_project.h"
#include "host/formats/fmr_map_file.h"
#include "host/formats/format_io.h"
#include "host/formats/nifti_image.h"
#include "host/formats/world_placement.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <system_error>

namespace talvora::bids {
namespace fs = std::filesystem;
namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct ProjectPlacement {
    fs::path sidecar;
    formats::Affine voxelToWorld = formats::Affine::Identity();
    int xformCode = 1;
    nlohmann::json keys;
};

ProjectPlacement placementOf(const fs::path& file) {
    ProjectPlacement p;
    p.sidecar = projectSidecarFor(file);
    if (p.sidecar.empty())
        formats::fail(file,
                      "has no world placement: the project it belongs to has no sidecar "
                      "(convert the EPI series with `talvora convert EPI.nii.gz PROJECT.fmr` first)");
    p.keys = readJsonObject(p.sidecar, "the world placement of " + file.string());
    // The sidecar's document is the sidecar's name without ".json".
    const fs::path document = p.sidecar.parent_path() / p.sidecar.stem();
    const formats::Placement placement = formats::readPlacementSidecar(document);
    p.voxelToWorld = placement.anatomicalToWorld;
    p.xformCode = placement.xformCode;
    return p;
}

void writeSidecarJson(const fs::path& nifti, const nlohmann::json& j) {
    formats::saveBytes(bidsSidecarPath(nifti), j.dump(2) + "\n");
}

void writeWithSidecar(const fs::path& out, const formats::NiftiOutput& image,
                      const std::vector<float>& values, const nlohmann::json& sidecar) {
    formats::writeNiftiImage(out, image, values);
    try {
        writeSidecarJson(out, sidecar);
    } catch (...) {
        std::error_code ec;
        fs::remove(out, ec);
        throw;
    }
}
}  // namespace

fs::path projectSidecarFor(const fs::path& file) {
    std::error_code ec;
    const fs::path own = formats::placementSidecarPath(file);
    if (fs::exists(own, ec)) return own;
    std::string stem = file.stem().string();
    for (const char* suffix : {"_vdmderiv", "_vdm", "_undist"})
        if (endsWith(stem, suffix)) {
            stem.erase(stem.size() - std::string(suffix).size());
            break;
        }
    for (const char* ext : {".fmr", ".dmr"}) {
        const fs::path candidate = formats::placementSidecarPath(file.parent_path() / (stem + ext));
        if (fs::exists(candidate, ec)) return candidate;
    }
    return {};
}

void convertDisplacementMapToNifti(const formats::ConvertRequest& request) {
    const formats::FmrMapFile maps = formats::readFmrMapFile(request.input);
    if (maps.maps.empty()) formats::fail(request.input, "holds no map");
    const ProjectPlacement placement = placementOf(request.input);
    std::vector<float> values = maps.maps[0].values;
    nlohmann::json sidecar;
    sidecar["Source"] = request.input.string();
    sidecar["MapName"] = maps.maps[0].name;
    if (placement.keys.contains("PhaseEncodingDirection"))
        sidecar["PhaseEncodingDirection"] = placement.keys["PhaseEncodingDirection"];
    if (request.flag("--hz")) {
        const auto readout = positiveNumber(placement.keys, placement.sidecar, "TotalReadoutTime");
        if (!readout)
            formats::fail(placement.sidecar,
                          "has no \"TotalReadoutTime\": --hz needs it (the EPI sidecar lacked it)");
        const PhaseEncoding pe = readPhaseEncoding(placement.keys, placement.sidecar);
        // A series encoded along -axis is displaced the other way by the same field.
        const double scale = (pe.negative ? -1.0 : 1.0) / *readout;
        for (float& v : values) v = static_cast<float>(v * scale);
        sidecar["Units"] = "Hz";
        sidecar["TotalReadoutTime"] = *readout;
        request.say(request.output.string() + ": field in Hz = displacement (voxels) x " +
                    (pe.negative ? "-1 / " : "1 / ") + std::to_string(*readout) + " s (phase encoding " +
                    pe.text + ")");
    } else {
        sidecar["Units"] = "voxels";
        request.say(request.output.string() + ": displacement in voxels along the phase-encoding axis");
    }
    formats::NiftiOutput image;
    image.size = {maps.nx, maps.ny, maps.nz, 1};
    image.affine = placement.voxelToWorld;
    image.xformCode = placement.xformCode;
    image.description = request.flag("--hz") ? "field map (Hz)" : "voxel displacement map";
    writeWithSidecar(request.output, image, values, sidecar);
}

void convertProjectToNifti(const formats::ConvertRequest& request) {
    const ProjectPlacement placement = placementOf(request.input);
    ProjectSeries series = readProjectSeries(request.input);
    formats::NiftiOutput image;
    image.size = {series.nx, series.ny, series.nz, series.nt};
    image.affine = placement.voxelToWorld;
    image.xformCode = placement.xformCode;
    image.trSeconds = series.trMs / 1000.0;
    image.description = "converted project";
    nlohmann::json sidecar;
    sidecar["Source"] = request.input.string();
    if (series.trMs > 0.0) sidecar["RepetitionTime"] = series.trMs / 1000.0;
    for (const char* key : {"PhaseEncodingDirection", "TotalReadoutTime"})
        if (placement.keys.contains(key)) sidecar[key] = placement.keys[key];
    writeWithSidecar(request.output, image, series.values, sidecar);
    request.say(request.output.string() + ": " + std::to_string(series.nt) + " volumes of " +
                std::to_string(series.nx) + " x " + std::to_string(series.ny) + " x " +
                std::to_string(series.nz) + ", placed by " + placement.sidecar.string());
}

}  // namespace talvora::bids
