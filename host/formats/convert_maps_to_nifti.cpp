// MAPS.{blm,vmp,gcm} -> OUT.nii[.gz]: one float32 volume per map, placed by
// the map set's sidecar (or that of --like), and beside it OUT.json with
// each map's name, type and thresholds.
#include "host/formats/bids_sidecar.h"
#include "host/formats/convert_registry.h"
#include "host/formats/map_file.h"
#include "host/formats/nifti_image.h"
#include "host/formats/output_set.h"
#include "host/formats/world_placement.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace talvora::formats {

namespace {

// JSON has no nan or infinity: such thresholds are written as text.
nlohmann::json number(float v) {
    if (std::isfinite(v)) return v;
    return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
}

nlohmann::json describeMaps(const MapSetFile& set, const std::filesystem::path& source) {
    nlohmann::json maps = nlohmann::json::array();
    for (const MapDefinition& m : set.maps) {
        nlohmann::json fdr = nlohmann::json::array();
        for (float t : m.fdrThresholds) fdr.push_back(number(t));
        maps.push_back({{"Name", m.name},
                        {"MapType", m.mapType},
                        {"LowerThreshold", number(m.lowerThreshold)},
                        {"UpperThreshold", number(m.upperThreshold)},
                        {"FdrThresholds", fdr}});
    }
    return {{"Source", source.string()}, {"ThresholdLabels", set.thresholdLabels}, {"Maps", maps}};
}

}  // namespace

void convertMapsToNifti(const ConvertRequest& r) {
    const MapSetFile set = readMapSetFile(r.input);
    if (set.maps.empty()) fail(r.input, "holds no maps");
    const Placement placement = findPlacement(r.input, r.option("--like").value_or(""));
    const std::size_t voxels = set.grid.voxelCount();
    std::vector<float> values;
    values.reserve(voxels * set.maps.size());
    for (const MapDefinition& m : set.maps) values.insert(values.end(), m.values.begin(), m.values.end());
    NiftiOutput out;
    out.size = {set.grid.dimX(), set.grid.dimY(), set.grid.dimZ(), std::int64_t(set.maps.size())};
    out.affine = functionalToWorld(placement.anatomicalToWorld, set.grid);
    out.xformCode = placement.xformCode;
    out.description = "talvora maps";
    const auto sidecar = bidsSidecarPath(r.output);
    OutputSet outputs;
    outputs.add(r.output, [&] { writeNiftiImage(r.output, out, values); });
    outputs.add(sidecar, [&] { saveBytes(sidecar, describeMaps(set, r.input).dump(2) + "\n"); });
    outputs.keep();
    r.say("wrote " + r.output.string() + " (" + std::to_string(set.maps.size()) + " maps) and " +
          sidecar.string());
}

}  // namespace talvora::formats
