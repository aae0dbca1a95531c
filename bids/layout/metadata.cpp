#include "bids/layout/metadata.h"

#include <fstream>
#include <vector>

namespace bids::layout {
namespace fs = std::filesystem;
namespace {

// The folders from the dataset root down to the data file's own, relative
// to the root ("" is the root).
std::vector<fs::path> levels(const DataFile& data) {
    std::vector<fs::path> down{fs::path()};
    fs::path folder;
    for (const auto& part : data.folder()) {
        folder /= part;
        down.push_back(folder);
    }
    return down;
}

// The files at one level that apply to the data file; more than one is an
// ambiguity the dataset must not have.
std::optional<DataFile> applicableAt(const Dataset& dataset, const fs::path& level, const DataFile& data,
                                     const std::string& suffix, const std::string& extension) {
    std::optional<DataFile> found;
    for (const auto& file : dataset.files) {
        if (file.folder() != level || file.name.suffix != suffix || file.name.extension != extension)
            continue;
        if (file.relative == data.relative || !entitiesSubset(file.name.entities, data.name.entities))
            continue;
        if (found)
            throw DatasetError(found->path.string() + " and " + file.path.string() + " both apply to " +
                               data.path.string());
        found = file;
    }
    return found;
}

nlohmann::json readObject(const fs::path& path) {
    std::ifstream in(path);
    auto json = nlohmann::json::parse(in, nullptr, false);
    if (!in.is_open() || json.is_discarded() || !json.is_object())
        throw DatasetError(path.string() + ": not a JSON object");
    return json;
}

}  // namespace

nlohmann::json sidecarFor(const Dataset& dataset, const DataFile& data) {
    nlohmann::json merged = nlohmann::json::object();
    for (const auto& level : levels(data)) {
        const auto sidecar = applicableAt(dataset, level, data, data.name.suffix, ".json");
        if (!sidecar) continue;
        const auto object = readObject(sidecar->path);
        for (const auto& [key, value] : object.items()) merged[key] = value;
    }
    return merged;
}

std::optional<DataFile> nearestFor(const Dataset& dataset, const DataFile& data, const std::string& suffix,
                                   const std::string& extension) {
    const auto down = levels(data);
    for (auto level = down.rbegin(); level != down.rend(); ++level)
        if (auto file = applicableAt(dataset, *level, data, suffix, extension)) return file;
    return std::nullopt;
}

}  // namespace bids::layout
