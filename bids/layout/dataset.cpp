#include "bids/layout/dataset.h"

#include <algorithm>
#include <fstream>
#include <set>

#include "bids/layout/tsv.h"

namespace bids::layout {
namespace fs = std::filesystem;
namespace {

nlohmann::json readDescription(const fs::path& root) {
    const fs::path file = root / "dataset_description.json";
    if (!fs::is_directory(root)) throw DatasetError(root.string() + ": not a BIDS dataset (not a folder)");
    if (!fs::is_regular_file(file))
        throw DatasetError(root.string() + ": not a BIDS dataset (no dataset_description.json)");
    std::ifstream in(file);
    const auto description = nlohmann::json::parse(in, nullptr, false);
    if (description.is_discarded() || !description.is_object())
        throw DatasetError(file.string() +
                           ": not a BIDS dataset (dataset_description.json is not a JSON object)");
    if (!description.contains("Name") || !description.contains("BIDSVersion"))
        throw DatasetError(file.string() + ": not a BIDS dataset (\"Name\" or \"BIDSVersion\" missing)");
    return description;
}

std::vector<std::string> subjectFolders(const fs::path& root) {
    std::vector<std::string> labels;
    for (const auto& entry : fs::directory_iterator(root)) {
        const auto name = entry.path().filename().string();
        if (entry.is_directory() && name.rfind("sub-", 0) == 0 && name.size() > 4)
            labels.push_back(name.substr(4));
    }
    std::sort(labels.begin(), labels.end());
    return labels;
}

// participants.tsv is optional; when present it must name the same
// participants as the folders. A difference is kept as a warning: the folders
// are what the app analyses.
void checkParticipantsTable(Dataset& dataset) {
    const fs::path file = dataset.root / "participants.tsv";
    if (!fs::exists(file)) return;
    Table table;
    try {
        table = readTable(file);
    } catch (const std::runtime_error& e) {
        throw DatasetError(e.what());
    }
    const int id = table.column("participant_id");
    if (id < 0) throw DatasetError(file.string() + ": no \"participant_id\" column");
    std::set<std::string> listed;
    for (const auto& row : table.rows) {
        const auto& cell = row[static_cast<std::size_t>(id)];
        if (cell.rfind("sub-", 0) != 0)
            throw DatasetError(file.string() + ": participant_id \"" + cell +
                               "\" does not begin with \"sub-\"");
        listed.insert(cell.substr(4));
    }
    for (const auto& label : listed)
        if (!dataset.hasParticipant(label))
            dataset.warnings.push_back(file.string() + " lists sub-" + label + ", which has no folder");
    for (const auto& label : dataset.participants)
        if (!listed.count(label)) dataset.warnings.push_back(file.string() + " does not list sub-" + label);
}

bool isDatatypeFolder(const fs::path& folder) {
    const auto name = folder.filename().string();
    return name.rfind("sub-", 0) != 0 && name.rfind("ses-", 0) != 0;
}

void addFile(Dataset& dataset, const fs::path& path) {
    auto name = parseFileName(path.filename().string());
    if (!name) return;
    DataFile file;
    file.path = path;
    file.relative = path.lexically_relative(dataset.root);
    file.datatype = isDatatypeFolder(path.parent_path()) && file.relative.has_parent_path()
                        ? path.parent_path().filename().string()
                        : "";
    file.name = std::move(*name);
    dataset.files.push_back(std::move(file));
}

void collectFiles(Dataset& dataset) {
    for (const auto& entry : fs::directory_iterator(dataset.root))
        if (entry.is_regular_file()) addFile(dataset, entry.path());
    for (const auto& label : dataset.participants) {
        const fs::path subject = dataset.root / ("sub-" + label);
        for (auto it = fs::recursive_directory_iterator(subject); it != fs::recursive_directory_iterator();
             ++it) {
            if (it.depth() > 2) it.disable_recursion_pending();
            if (it->is_regular_file()) addFile(dataset, it->path());
        }
    }
    std::sort(dataset.files.begin(), dataset.files.end(),
              [](const DataFile& a, const DataFile& b) { return a.relative < b.relative; });
}

}  // namespace

const std::vector<std::string>& imageExtensions() {
    static const std::vector<std::string> extensions{".nii.gz", ".nii"};
    return extensions;
}

bool Dataset::hasParticipant(const std::string& label) const {
    return std::binary_search(participants.begin(), participants.end(), label);
}

std::vector<DataFile> Dataset::find(const std::string& participant, const std::string& suffix,
                                    const std::vector<std::string>& extensions,
                                    const std::string& task) const {
    std::vector<DataFile> found;
    for (const auto& file : files) {
        if (file.datatype.empty() || file.name.get("sub") != participant || file.name.suffix != suffix)
            continue;
        if (std::find(extensions.begin(), extensions.end(), file.name.extension) == extensions.end())
            continue;
        if (!task.empty() && file.name.get("task") != task) continue;
        found.push_back(file);
    }
    return found;
}

std::vector<std::string> Dataset::tasks(const std::string& suffix) const {
    std::set<std::string> found;
    for (const auto& file : files)
        if (file.name.suffix == suffix && file.name.has("task")) found.insert(file.name.get("task"));
    return {found.begin(), found.end()};
}

Dataset readDataset(const fs::path& rootGiven) {
    Dataset dataset;
    dataset.root = fs::absolute(rootGiven).lexically_normal();
    if (dataset.root.has_filename() == false) dataset.root = dataset.root.parent_path();
    dataset.description = readDescription(dataset.root);
    dataset.participants = subjectFolders(dataset.root);
    checkParticipantsTable(dataset);
    try {
        collectFiles(dataset);
    } catch (const fs::filesystem_error& e) {
        throw DatasetError(e.path1().string() + ": cannot be read (" + e.code().message() + ")");
    }
    return dataset;
}

}  // namespace bids::layout
