#include "tools/make_bids_study/field_maps.h"

#include <stdexcept>
#include <string>

#include "frame/atomic_file.h"
#include "host/formats/nifti_image.h"
#include "tools/make_phantom/phantom_model.h"

namespace bids_study {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

const char* kIdentifier = "pepolar";

void writeJson(const fs::path& path, const json& value) {
    fs::create_directories(path.parent_path());
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << value.dump(2) << "\n"; });
}

fmt::NiftiOutput volumeLike(const fmt::NiftiHeader& grid, const std::string& description) {
    fmt::NiftiOutput out;
    out.size = {grid.size[0], grid.size[1], grid.size[2], 1};
    out.affine = grid.affine;
    out.xformCode = grid.xformCode > 0 ? grid.xformCode : 1;
    out.description = description;
    return out;
}

// "AP" names encoding from anterior to posterior: along -j when the j axis
// points anterior in the world, along +j when it points posterior.
std::string directionName(const fmt::NiftiHeader& grid, bool negative) {
    const bool jAnterior = grid.affine(1, 1) >= 0;
    return jAnterior == negative ? "AP" : "PA";
}

std::string bidsUri(const fs::path& file, const fs::path& root) {
    return "bids::" + file.lexically_relative(root).generic_string();
}

// The BOLD run's own sidecar: the dataset-wide one keeps the task's keys.
fs::path boldSidecar(const fs::path& bold) {
    std::string name = bold.filename().string();
    name = name.substr(0, name.find('.'));
    return bold.parent_path() / (name + ".json");
}

}  // namespace

json writeFieldMaps(const fs::path& participantFolder, const std::vector<fs::path>& boldRuns,
                    std::uint64_t seed) {
    if (boldRuns.empty())
        throw std::runtime_error(participantFolder.string() + ": no BOLD run for field maps");
    const std::string sub = participantFolder.filename().string();
    const fs::path root = participantFolder.parent_path();
    const fmt::NiftiReader first(boldRuns.front());
    const fmt::NiftiHeader grid = first.header();
    const phantom::Grid g{static_cast<int>(grid.size[0]), static_cast<int>(grid.size[1]),
                          static_cast<int>(grid.size[2])};
    if (g.nx < 8 || g.ny < 8 || g.nz < 3)
        throw std::runtime_error(boldRuns.front().string() +
                                 ": a grid of at least 8 x 8 x 3 voxels is needed");
    const double peak = 3.0 + static_cast<double>(seed % 3);

    json intended = json::array();
    for (const auto& bold : boldRuns) intended.push_back(bidsUri(bold, root));
    json truth;
    truth["B0FieldIdentifier"] = kIdentifier;
    truth["TotalReadoutTime"] = kTotalReadoutTimeSeconds;
    truth["peak_displacement_voxels"] = peak;
    // The phantom's series with sign +1 is encoded along j-: its true
    // displacement D (voxels along +j) is -field x TotalReadoutTime.
    for (const bool negative : {true, false}) {
        const std::string dir = directionName(grid, negative);
        const std::string text = negative ? "j-" : "j";
        const fs::path image = participantFolder / "fmap" / (sub + "_dir-" + dir + "_epi.nii.gz");
        fs::create_directories(image.parent_path());
        fmt::writeNiftiImage(image, volumeLike(grid, "EPI " + dir),
                             phantom::series(g, peak, 1, negative ? +1 : -1, 1.0f));
        writeJson(participantFolder / "fmap" / (sub + "_dir-" + dir + "_epi.json"),
                  json{{"PhaseEncodingDirection", text},
                       {"TotalReadoutTime", kTotalReadoutTimeSeconds},
                       {"B0FieldIdentifier", kIdentifier},
                       {"IntendedFor", intended}});
        truth["series"][text] = bidsUri(image, root);
    }
    for (const auto& bold : boldRuns)
        writeJson(boldSidecar(bold), json{{"B0FieldSource", kIdentifier},
                                          {"PhaseEncodingDirection", "j-"},
                                          {"TotalReadoutTime", kTotalReadoutTimeSeconds}});

    const std::vector<float> displacement = phantom::trueDisplacement(g, peak, 1);
    std::vector<float> hz(displacement.size());
    for (std::size_t i = 0; i < hz.size(); ++i)
        hz[i] = static_cast<float>(-displacement[i] / kTotalReadoutTimeSeconds);
    const fs::path truthFolder = root / "derivatives" / "truth" / sub / "fmap";
    fs::create_directories(truthFolder);
    const struct {
        std::string name, key, description, units;
        const std::vector<float> values;
    } outputs[] = {
        {sub + "_desc-truth_fieldmap", "field_hz", "true field", "Hz", hz},
        {sub + "_desc-truthdisplacement_fieldmap", "displacement_voxels",
         "true displacement of the j- series along +j", "voxels", displacement},
        {sub + "_desc-object_mask", "object_mask", "object mask", "", phantom::objectMask(g)},
    };
    for (const auto& out : outputs) {
        fmt::writeNiftiImage(truthFolder / (out.name + ".nii.gz"), volumeLike(grid, out.description),
                             out.values);
        json sidecar{{"Description", "The phantom's " + out.description + " (talvora-make-bids-study)"}};
        if (!out.units.empty()) sidecar["Units"] = out.units;
        writeJson(truthFolder / (out.name + ".json"), sidecar);
        truth["files"][out.key] =
            (truthFolder / (out.name + ".nii.gz")).lexically_relative(root).generic_string();
    }
    writeJson(root / "derivatives" / "truth" / "dataset_description.json",
              json{{"Name", "True fields of the example dataset"},
                   {"BIDSVersion", "1.8.0"},
                   {"DatasetType", "derivative"},
                   {"GeneratedBy", json::array({{{"Name", "talvora-make-bids-study"}}})}});
    return truth;
}

}  // namespace bids_study
