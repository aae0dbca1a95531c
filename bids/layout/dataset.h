#pragma once
// A BIDS dataset as the app reads it: its description, its participants and
// every file under the dataset whose name is a BIDS name.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bids/layout/entities.h"

namespace bids::layout {

// Bad input found while reading a dataset; the message names the file or
// folder.
class DatasetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DataFile {
    std::filesystem::path path;      // the root joined with `relative`
    std::filesystem::path relative;  // e.g. sub-01/func/sub-01_task-x_bold.nii.gz
    std::string datatype;  // the folder the file is in: "func", "anat", "fmap", "" at a higher level
    FileName name;

    std::filesystem::path folder() const { return relative.parent_path(); }
};

struct Dataset {
    std::filesystem::path root;
    nlohmann::json description;
    std::vector<std::string> participants;  // labels without "sub-", sorted
    std::vector<DataFile> files;            // every BIDS-named file, at any level
    std::vector<std::string> warnings;      // kept for the user, not fatal

    bool hasParticipant(const std::string& label) const;
    // The data files of one participant with this suffix and one of the
    // extensions, in path order; an empty task matches any task.
    std::vector<DataFile> find(const std::string& participant, const std::string& suffix,
                               const std::vector<std::string>& extensions,
                               const std::string& task = "") const;
    // Every task that has a file with this suffix, sorted.
    std::vector<std::string> tasks(const std::string& suffix) const;
};

// The image extensions BIDS allows for NIfTI data.
const std::vector<std::string>& imageExtensions();

// Reads the folder: throws DatasetError "<folder>: not a BIDS dataset (...)"
// when it has no readable dataset_description.json, and names
// participants.tsv when that file is malformed.
Dataset readDataset(const std::filesystem::path& root);

}  // namespace bids::layout
