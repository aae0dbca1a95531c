#include "host/formats/world_placement.h"

#include <Eigen/LU>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;

namespace talvora::formats {

namespace {

json matrixJson(const Affine& a) {
    json rows = json::array();
    for (int r = 0; r < 4; ++r) rows.push_back({a(r, 0), a(r, 1), a(r, 2), a(r, 3)});
    return rows;
}

Affine matrixFrom(const fs::path& sidecar, const json& rows) {
    if (!rows.is_array() || rows.size() != 4) fail(sidecar, "\"AnatomicalVoxelToWorld\" must hold 4 rows");
    Affine a;
    for (int r = 0; r < 4; ++r) {
        const json& row = rows[static_cast<std::size_t>(r)];
        if (!row.is_array() || row.size() != 4)
            fail(sidecar, "\"AnatomicalVoxelToWorld\" rows must hold 4 numbers");
        for (int c = 0; c < 4; ++c) {
            const json& v = row[static_cast<std::size_t>(c)];
            if (!v.is_number() || !std::isfinite(v.get<double>()))
                fail(sidecar, "\"AnatomicalVoxelToWorld\" holds something other than a finite number");
            a(r, c) = v.get<double>();
        }
    }
    if (a(3, 0) != 0 || a(3, 1) != 0 || a(3, 2) != 0 || a(3, 3) != 1)
        fail(sidecar, "\"AnatomicalVoxelToWorld\" must end in the row 0 0 0 1");
    if (std::abs(a.block<3, 3>(0, 0).determinant()) < 1e-12)
        fail(sidecar, "\"AnatomicalVoxelToWorld\" is singular");
    return a;
}

}  // namespace

Affine functionalToWorld(const Affine& anatomicalToWorld, const FunctionalGrid& grid) {
    const double r = grid.resolution;
    const double half = (r - 1.0) / 2.0;
    Affine toAnatomical = Affine::Identity();
    toAnatomical(0, 0) = toAnatomical(1, 1) = toAnatomical(2, 2) = r;
    toAnatomical(0, 3) = grid.xStart + half;
    toAnatomical(1, 3) = grid.yStart + half;
    toAnatomical(2, 3) = grid.zStart + half;
    return anatomicalToWorld * toAnatomical;
}

fs::path placementSidecarPath(const fs::path& document) {
    return fs::path(document.string() + ".json");
}

void writePlacementSidecar(const fs::path& document, const Placement& p,
                           const std::optional<FunctionalGrid>& grid) {
    json j;
    j["AnatomicalVoxelToWorld"] = matrixJson(p.anatomicalToWorld);
    j["XformCode"] = p.xformCode;
    j["Source"] = p.source;
    if (grid) {
        j["Grid"] = {
            {"Resolution", grid->resolution},
            {"BoundingBox", {grid->xStart, grid->xEnd, grid->yStart, grid->yEnd, grid->zStart, grid->zEnd}}};
        j["VoxelToWorld"] = matrixJson(functionalToWorld(p.anatomicalToWorld, *grid));
    } else {
        j["VoxelToWorld"] = matrixJson(p.anatomicalToWorld);
    }
    saveBytes(placementSidecarPath(document), j.dump(2) + "\n");
}

Placement readPlacementSidecar(const fs::path& document) {
    const fs::path sidecar = placementSidecarPath(document);
    if (!fs::exists(sidecar))
        fail(sidecar, "no such file (the world placement of " + document.string() + ")");
    const std::string text = readWholeFile(sidecar, kMaxHeaderBytes);
    const json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) fail(sidecar, "is not a JSON object");
    if (!j.contains("AnatomicalVoxelToWorld")) fail(sidecar, "has no \"AnatomicalVoxelToWorld\"");
    Placement p;
    p.anatomicalToWorld = matrixFrom(sidecar, j["AnatomicalVoxelToWorld"]);
    if (j.contains("XformCode")) {
        if (!j["XformCode"].is_number_integer()) fail(sidecar, "\"XformCode\" must be a whole number");
        p.xformCode = j["XformCode"].get<int>();
    }
    if (j.contains("Source") && j["Source"].is_string()) p.source = j["Source"].get<std::string>();
    return p;
}

Placement findPlacement(const fs::path& document, const fs::path& like) {
    if (fs::exists(placementSidecarPath(document))) return readPlacementSidecar(document);
    if (!like.empty()) return readPlacementSidecar(like);
    fail(document, "has no world placement (no " + placementSidecarPath(document).filename().string() +
                       " beside it): name a converted VTC or VMR of the same space with --like");
}

}  // namespace talvora::formats
