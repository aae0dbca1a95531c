#include "bids/analyses/connectivity_inputs.h"

#include "host/bids/atlas_labels.h"
#include "host/bids/bids_sidecar.h"
#include "host/bids/bids_table.h"
#include "host/bids/events_to_protocol.h"
#include "host/formats/nifti_image.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

namespace bids::analyses::connectivity {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

struct Atlas {
    fs::path path;
    Grid grid;
    std::vector<long long> labels;
    std::map<long long, std::string> names;  // from the table
};

Grid gridOf(const fmt::NiftiHeader& header) {
    return {{header.size[0], header.size[1], header.size[2]}, header.affine};
}

Atlas readAtlas(const fs::path& path, const fs::path& table) {
    Atlas atlas;
    atlas.path = path;
    const fmt::NiftiImage image = fmt::readNiftiImage(path);
    if (image.header.size[3] != 1)
        throw std::runtime_error(path.string() + ": is a 4-D image; an atlas has one volume of labels");
    atlas.grid = gridOf(image.header);
    atlas.labels.reserve(image.values.size());
    for (std::size_t i = 0; i < image.values.size(); ++i) {
        const double v = image.values[i];
        if (!std::isfinite(v) || v != std::floor(v) || v < 0.0 || v > 2147483647.0)
            throw std::runtime_error(path.string() + ": voxel " + std::to_string(i) + " holds " +
                                     std::to_string(v) + ", not a label (a whole number, 0 for background)");
        atlas.labels.push_back(static_cast<long long>(v));
    }
    const fs::path names = table.empty() ? talvora::bids::labelsBesideAtlas(path) : table;
    if (!names.empty()) atlas.names = talvora::bids::readAtlasLabels(names);
    std::map<std::string, long long> seen;
    for (const auto& [label, name] : atlas.names) {
        if (label == 0) continue;
        const auto [it, added] = seen.emplace(name, label);
        if (!added)
            throw std::runtime_error(names.string() + ": the name \"" + name + "\" is given to labels " +
                                     std::to_string(it->second) + " and " + std::to_string(label));
    }
    return atlas;
}

std::string regionText(const Region& region) {
    return "region \"" + region.name + "\" (label " + std::to_string(region.label) + ")";
}

double repetitionTime(const app::Run& run, const fmt::NiftiHeader& header) {
    if (const auto tr = talvora::bids::positiveNumber(run.metadata, run.bold.path, "RepetitionTime"))
        return *tr;
    const double ms = header.timeStepMilliseconds();
    if (ms > 0.0) return ms / 1000.0;
    throw std::runtime_error(
        run.bold.path.string() +
        ": no repetition time (no \"RepetitionTime\" in its sidecar, none in its header)");
}

void readEvents(const app::Run& run, RunSeries& out) {
    if (!run.events)
        throw std::runtime_error(run.bold.path.string() +
                                 ": no events file; the connectivity analysis needs the task's events");
    out.events = run.events->path;
    const auto conversion = talvora::bids::protocolFromEvents(talvora::bids::readBidsTable(out.events),
                                                              talvora::bids::EventsOptions{});
    for (const auto& condition : conversion.protocol.conditions) {
        out.conditions.push_back(condition.name);
        auto& events = out.byCondition[condition.name];
        for (std::size_t i = 0; i < condition.starts.size(); ++i)
            events.push_back({condition.starts[i] / 1000.0, condition.ends[i] / 1000.0});
    }
}

// The region time courses of one run, read volume by volume.
Eigen::MatrixXd readSeries(const fs::path& bold, fmt::NiftiReader& reader,
                           const std::vector<std::vector<std::size_t>>& voxels,
                           const std::vector<Region>& regions) {
    const auto& header = reader.header();
    Eigen::MatrixXd series(static_cast<Eigen::Index>(header.volumes()),
                           static_cast<Eigen::Index>(regions.size()));
    std::vector<float> volume;
    for (std::size_t t = 0; t < header.volumes(); ++t) {
        reader.readNextVolume(volume);
        try {
            series.row(static_cast<Eigen::Index>(t)) = regionMeans(volume, voxels).transpose();
        } catch (const NonFiniteValue& e) {
            const std::size_t nx = static_cast<std::size_t>(header.size[0]);
            const std::size_t ny = static_cast<std::size_t>(header.size[1]);
            throw std::runtime_error(bold.string() + ": volume " + std::to_string(t) +
                                     " holds a value that is not a finite number at voxel (" +
                                     std::to_string(e.voxel % nx) + ", " + std::to_string(e.voxel / nx % ny) +
                                     ", " + std::to_string(e.voxel / nx / ny) + ") of " +
                                     regionText(regions[e.region]));
        }
    }
    const auto constant = firstConstantColumn(series);
    if (constant >= 0)
        throw std::runtime_error(bold.string() + ": the time course of " +
                                 regionText(regions[static_cast<std::size_t>(constant)]) +
                                 " is constant over the run; its correlations are undefined");
    return series;
}

}  // namespace

Inputs readInputs(const fs::path& atlasPath, const fs::path& labels, const std::vector<app::Run>& runs) {
    const Atlas atlas = readAtlas(atlasPath, labels);
    // Every run's labels first: the regions are the labels met on the runs'
    // grids, and each needs a voxel in every run. A label of the table that
    // no run covers is left out (a whole-brain atlas on runs of a smaller
    // field of view); the caller reports it.
    std::vector<std::vector<long long>> runLabels;
    std::set<long long> present;
    for (const auto& run : runs) {
        runLabels.push_back(
            labelsAtVoxelCentres(atlas.labels, atlas.grid, gridOf(fmt::readNiftiHeader(run.bold.path))));
        for (long long label : runLabels.back())
            if (label != 0) present.insert(label);
    }
    Inputs inputs;
    const auto nameOf = [&](long long label) {
        const auto named = atlas.names.find(label);
        return named != atlas.names.end() ? named->second : "Label " + std::to_string(label);
    };
    for (long long label : present) inputs.regions.push_back({label, nameOf(label), 0});
    for (const auto& name : atlas.names)
        if (name.first != 0 && !present.count(name.first))
            inputs.outside.push_back({name.first, name.second, 0});
    if (inputs.regions.empty())
        throw std::runtime_error(atlasPath.string() + ": no label other than 0 lies on the grid of " +
                                 runs.front().bold.path.string());

    for (std::size_t r = 0; r < runs.size(); ++r) {
        std::map<long long, std::size_t> regionOf;
        for (std::size_t i = 0; i < inputs.regions.size(); ++i) regionOf[inputs.regions[i].label] = i;
        std::vector<std::vector<std::size_t>> voxels(inputs.regions.size());
        for (std::size_t v = 0; v < runLabels[r].size(); ++v)
            if (runLabels[r][v] != 0) voxels[regionOf.at(runLabels[r][v])].push_back(v);
        for (std::size_t i = 0; i < voxels.size(); ++i) {
            if (voxels[i].empty())
                throw std::runtime_error(atlasPath.string() + ": " + regionText(inputs.regions[i]) +
                                         " has no voxel on the grid of " + runs[r].bold.path.string());
            if (r == 0) inputs.regions[i].voxels = static_cast<int>(voxels[i].size());
        }
        RunSeries series;
        series.bold = runs[r].bold.path;
        readEvents(runs[r], series);
        fmt::NiftiReader reader(runs[r].bold.path);
        series.trSeconds = repetitionTime(runs[r], reader.header());
        series.series = readSeries(series.bold, reader, voxels, inputs.regions);
        for (const auto& condition : series.conditions)
            if (std::find(inputs.conditions.begin(), inputs.conditions.end(), condition) ==
                inputs.conditions.end())
                inputs.conditions.push_back(condition);
        inputs.runs.push_back(std::move(series));
    }
    return inputs;
}

}  // namespace bids::analyses::connectivity
