#include "host/bids/epi_to_project.h"

#include "host/bids/bids_sidecar.h"
#include "host/bids/fmr_project.h"
#include "host/formats/format_io.h"
#include "host/formats/nifti_image.h"
#include "host/formats/world_placement.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <system_error>

namespace talvora::bids {
namespace fs = std::filesystem;
namespace {
constexpr int kMaxSize = 65535;

// FSL's text tables: rows of blank-separated numbers.
std::vector<std::vector<double>> numberRows(const fs::path& file) {
    const std::string text = formats::readWholeFile(file, formats::kMaxHeaderBytes);
    std::vector<std::vector<double>> rows;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::vector<double> row;
        for (std::string_view token : formats::splitBlanks(line)) {
            float v = 0.0f;
            if (!formats::parseFloat(token, v))
                formats::fail(file, "line " + std::to_string(lineNumber) + ": \"" + std::string(token) +
                                        "\" is not a number");
            row.push_back(v);
        }
        if (!row.empty()) rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::array<float, 4>> gradientTable(const formats::ConvertRequest& request, int volumes) {
    const auto bvec = request.option("--bvec"), bval = request.option("--bval");
    if (!bvec || !bval) formats::fail(request.output, "a diffusion project needs --bvec and --bval");
    const auto vectors = numberRows(*bvec);
    const auto values = numberRows(*bval);
    if (vectors.size() != 3)
        formats::fail(*bvec, "must hold 3 rows (x, y, z), not " + std::to_string(vectors.size()));
    if (values.size() != 1) formats::fail(*bval, "must hold 1 row, not " + std::to_string(values.size()));
    for (const auto& row : vectors)
        if (row.size() != static_cast<std::size_t>(volumes))
            formats::fail(*bvec, "has " + std::to_string(row.size()) + " columns where the image has " +
                                     std::to_string(volumes) + " volumes");
    if (values[0].size() != static_cast<std::size_t>(volumes))
        formats::fail(*bval, "has " + std::to_string(values[0].size()) + " values where the image has " +
                                 std::to_string(volumes) + " volumes");
    std::vector<std::array<float, 4>> table;
    for (int t = 0; t < volumes; ++t)
        table.push_back({static_cast<float>(vectors[0][t]), static_cast<float>(vectors[1][t]),
                         static_cast<float>(vectors[2][t]), static_cast<float>(values[0][t])});
    return table;
}

// The other series of a pair must run along the same axis the other way.
void checkPair(const fs::path& image, const PhaseEncoding& mine, const fs::path& other) {
    const fs::path sidecar = bidsSidecarPath(other);
    const PhaseEncoding theirs =
        readPhaseEncoding(readJsonObject(sidecar, "the pair's phase encoding"), sidecar);
    if (theirs.axis != mine.axis || theirs.negative == mine.negative)
        formats::fail(sidecar, "\"PhaseEncodingDirection\" \"" + theirs.text + "\" is not opposite to \"" +
                                   mine.text + "\" of " + image.string() +
                                   ": a pair needs i with i- or j with j-");
}

void writeProjectSidecar(const fs::path& project, const formats::NiftiHeader& header, const PhaseEncoding& pe,
                         std::optional<double> readoutSeconds, const fs::path& image) {
    nlohmann::json j;
    nlohmann::json rows = nlohmann::json::array();
    for (int r = 0; r < 4; ++r)
        rows.push_back({header.affine(r, 0), header.affine(r, 1), header.affine(r, 2), header.affine(r, 3)});
    j["AnatomicalVoxelToWorld"] = rows;
    j["VoxelToWorld"] = rows;
    j["XformCode"] = header.xformCode > 0 ? header.xformCode : 1;
    j["Source"] = image.string();
    j["PhaseEncodingDirection"] = pe.text;
    j["rllr"] = pe.axis == 0 ? 1 : 0;
    if (readoutSeconds) j["TotalReadoutTime"] = *readoutSeconds;
    formats::saveBytes(formats::placementSidecarPath(project), j.dump(2) + "\n");
}

void convertEpi(const formats::ConvertRequest& request, bool diffusion) {
    const fs::path sidecarPath = bidsSidecarPath(request.input);
    const nlohmann::json sidecar =
        readJsonObject(sidecarPath, "the phase-encoding direction of " + request.input.string());
    const PhaseEncoding pe = readPhaseEncoding(sidecar, sidecarPath);
    if (const auto other = request.option("--pair")) checkPair(request.input, pe, *other);
    const std::optional<double> readout = positiveNumber(sidecar, sidecarPath, "TotalReadoutTime");
    const std::optional<double> trSeconds = positiveNumber(sidecar, sidecarPath, "RepetitionTime");

    formats::NiftiImage image = formats::readNiftiImage(request.input);
    const formats::NiftiHeader& h = image.header;
    for (int a = 0; a < 3; ++a)
        if (h.size[a] > kMaxSize)
            formats::fail(request.input, "axis " + std::to_string(a + 1) + " has " +
                                             std::to_string(h.size[a]) +
                                             " voxels; a project holds at most 65535");
    ProjectSeries series;
    series.diffusion = diffusion;
    series.nx = static_cast<int>(h.size[0]);
    series.ny = static_cast<int>(h.size[1]);
    series.nz = static_cast<int>(h.size[2]);
    series.nt = static_cast<int>(h.size[3]);
    for (int a = 0; a < 3; ++a) series.voxelSize[a] = h.affine.block<3, 1>(0, a).norm();
    series.trMs = trSeconds ? *trSeconds * 1000.0 : h.timeStepMilliseconds();
    if (diffusion) series.gradients = gradientTable(request, series.nt);
    series.values = std::move(image.values);

    // Sidecar first: a project without its placement cannot go back to NIfTI.
    writeProjectSidecar(request.output, h, pe, readout, request.input);
    try {
        writeProjectSeries(request.output, series);
    } catch (...) {
        std::error_code ec;
        fs::remove(formats::placementSidecarPath(request.output), ec);
        throw;
    }
    request.say(request.output.string() + ": " + std::to_string(series.nx) + " x " +
                std::to_string(series.ny) + " x " + std::to_string(series.nz) + ", " +
                std::to_string(series.nt) + " volumes, in the image's voxel order");
    request.say(std::string("phase encoding ") + pe.text + " runs along the " +
                (pe.axis == 0 ? "columns (x)" : "rows (y)") + ": rllr " +
                (pe.axis == 0 ? "1 (LR/RL)" : "0 (AP/PA)"));
    if (series.trMs <= 0.0)
        request.say("no RepetitionTime in " + sidecarPath.string() + " or the image: TR 0 written");
}
}  // namespace

void convertEpiToFmr(const formats::ConvertRequest& request) {
    convertEpi(request, false);
}
void convertEpiToDmr(const formats::ConvertRequest& request) {
    convertEpi(request, true);
}

}  // namespace talvora::bids
