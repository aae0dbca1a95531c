#include "bids/analyses/granger_results.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "bids/analyses/outputs.h"
#include "bids/layout/entities.h"
#include "host/formats/map_file.h"

namespace bids::analyses {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

// Voxel positions of the group's maps agree to well below any voxel size.
constexpr double kAffineTolerance = 1e-4;

bool isGrangerStatmap(const fs::path& file, const std::string& task) {
    const auto name = layout::parseFileName(file.filename().string());
    return name && name->get("desc") == "granger" && name->suffix == "statmap" &&
           name->extension == ".nii.gz" && (task.empty() || name->get("task") == task);
}

fs::path findStatmap(const fs::path& folder, const std::string& task) {
    std::vector<fs::path> found;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && isGrangerStatmap(entry.path(), task))
                found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    const std::string what =
        "Granger maps (*_desc-granger_statmap.nii.gz)" + (task.empty() ? "" : " of task " + task);
    if (found.empty())
        throw std::runtime_error(folder.string() + ": holds no " + what +
                                 "; run the participant level first");
    if (found.size() > 1)
        throw std::runtime_error(folder.string() + ": holds several " + what + " (" + found[0].string() +
                                 ", " + found[1].string() + "); the group level takes one per participant");
    return found.front();
}

const json& required(const json& sidecar, const fs::path& file, const char* key) {
    if (!sidecar.contains(key))
        throw std::runtime_error(file.string() + ": no \"" + key +
                                 "\" (maps of an earlier version?); run the participant level again");
    return sidecar.at(key);
}

void readSidecar(GrangerResult& result) {
    const std::string text = readText(result.sidecar);
    if (text.empty())
        throw std::runtime_error(result.sidecar.string() + ": missing or empty (the statmap's sidecar)");
    try {
        result.metadata = json::parse(text);
        result.referenceRegion =
            required(result.metadata, result.sidecar, "ReferenceRegion").get<std::string>();
        result.referenceLabel = required(result.metadata, result.sidecar, "ReferenceLabel").get<int>();
        result.condition = required(result.metadata, result.sidecar, "Condition").get<std::string>();
        required(result.metadata, result.sidecar, "MapFile").get<std::string>();
    } catch (const json::exception& e) {
        throw std::runtime_error(result.sidecar.string() + ": not a sidecar of Granger maps (" + e.what() +
                                 ")");
    }
}

fmt::MapSetFile readMapFile(GrangerResult& result, const fs::path& output) {
    result.mapFile = output / result.metadata.at("MapFile").get<std::string>();
    if (!fs::is_regular_file(result.mapFile))
        throw std::runtime_error(result.mapFile.string() +
                                 ": the kept Granger map file is missing (named by " +
                                 result.sidecar.string() + "); run the participant level again");
    fmt::MapSetFile maps;
    try {
        maps = fmt::readMapSetFile(result.mapFile);
    } catch (const std::exception& e) {
        throw std::runtime_error(result.mapFile.string() + ": cannot be read as a Granger map file (" +
                                 e.what() + ")");
    }
    // The group preparation takes the instantaneous and the difference map of
    // one condition from each participant's file.
    if (maps.maps.size() != 2)
        throw std::runtime_error(result.mapFile.string() + ": holds " + std::to_string(maps.maps.size()) +
                                 " maps; the group level takes one condition's two (Inst, dGCM)");
    result.mapGrid = maps.grid;
    return maps;
}

bool sameValue(float a, float b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// A map file of another run than the NIfTI maps beside it (a participant
// level that stopped between writing the two) would put other values into
// the group than the participant's own maps show.
void checkSameMaps(const GrangerResult& result, const fmt::MapSetFile& maps,
                   const std::vector<float>& values) {
    std::size_t at = 0;
    bool same = true;
    for (const auto& map : maps.maps) {
        same = same && at + map.values.size() <= values.size() &&
               std::equal(map.values.begin(), map.values.end(), values.begin() + at, sameValue);
        at += map.values.size();
    }
    if (!same || at != values.size())
        throw std::runtime_error(result.mapFile.string() + ": its maps are not those of " +
                                 result.statmap.string() +
                                 " (a map file of another run?); run the participant "
                                 "level again");
}

std::string gridText(const fmt::NiftiHeader& header) {
    std::string text = std::to_string(header.size[0]) + " x " + std::to_string(header.size[1]) + " x " +
                       std::to_string(header.size[2]) + " voxels, affine rows";
    for (int r = 0; r < 3; ++r) {
        text += " [";
        for (int c = 0; c < 4; ++c) {
            char number[32];
            std::snprintf(number, sizeof number, "%s%g", c ? " " : "", header.affine(r, c));
            text += number;
        }
        text += "]";
    }
    return text;
}

bool sameGrid(const fmt::NiftiHeader& a, const fmt::NiftiHeader& b) {
    return a.size[0] == b.size[0] && a.size[1] == b.size[1] && a.size[2] == b.size[2] &&
           (a.affine - b.affine).cwiseAbs().maxCoeff() <= kAffineTolerance;
}

}  // namespace

std::vector<GrangerResult> readGrangerResults(const app::GroupJob& job) {
    std::vector<GrangerResult> results;
    const fs::path output = job.writer.output();
    for (const auto& label : job.participants) {
        GrangerResult result;
        result.label = label;
        result.statmap = findStatmap(output / ("sub-" + label), job.plan.task);
        result.sidecar = derivatives::sidecarPath(result.statmap);
        readSidecar(result);
        const auto maps = readMapFile(result, output);
        fmt::NiftiImage image;
        try {
            image = fmt::readNiftiImage(result.statmap);
        } catch (const std::exception& e) {
            throw std::runtime_error(std::string(e.what()) + " (the Granger maps of sub-" + label + ")");
        }
        checkSameMaps(result, maps, image.values);
        result.header = image.header;
        results.push_back(std::move(result));
    }
    return results;
}

void checkOneGroup(const std::vector<GrangerResult>& results, const app::Options& options) {
    const GrangerResult& first = results.front();
    const auto reference = [](const GrangerResult& r) {
        return "reference region \"" + r.referenceRegion + "\" (atlas label " +
               std::to_string(r.referenceLabel) + ")";
    };
    if (options.referenceLabel && *options.referenceLabel != first.referenceLabel)
        throw std::runtime_error(first.sidecar.string() + ": maps of the " + reference(first) +
                                 ", not of --reference-label " + std::to_string(*options.referenceLabel));
    if (!options.condition.empty() && options.condition != first.condition)
        throw std::runtime_error(first.sidecar.string() + ": maps of condition \"" + first.condition +
                                 "\", not of --condition " + options.condition);
    for (const auto& other : results) {
        if (other.referenceRegion != first.referenceRegion || other.referenceLabel != first.referenceLabel)
            throw std::runtime_error(other.sidecar.string() + ": maps of the " + reference(other) + ", but " +
                                     first.sidecar.string() + " of the " + reference(first) +
                                     "; a group takes one reference region");
        if (other.condition != first.condition)
            throw std::runtime_error(other.sidecar.string() + ": maps of condition \"" + other.condition +
                                     "\", but " + first.sidecar.string() + " of \"" + first.condition +
                                     "\"; a group takes one condition");
        if (!sameGrid(other.header, first.header))
            throw std::runtime_error(other.statmap.string() + ": on another grid (" + gridText(other.header) +
                                     ") than " + first.statmap.string() + " (" + gridText(first.header) +
                                     "); a group takes maps of one grid");
        if (other.mapGrid != first.mapGrid)
            throw std::runtime_error(other.mapFile.string() + ": on another grid (" +
                                     other.mapGrid.describe() + ") than " + first.mapFile.string() + " (" +
                                     first.mapGrid.describe() + "); a group takes maps of one grid");
    }
}

}  // namespace bids::analyses
