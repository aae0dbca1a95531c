#pragma once
// A BIDS file name taken apart: "sub-01_ses-2_task-motor_run-1_bold.nii.gz"
// is the entities sub=01, ses=2, task=motor, run=1, the suffix "bold" and the
// extension ".nii.gz". Entities keep the order of the name.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bids::layout {

struct Entity {
    std::string key;
    std::string value;
    bool operator==(const Entity& other) const { return key == other.key && value == other.value; }
};

struct FileName {
    std::vector<Entity> entities;
    std::string suffix;     // "bold", "T1w", "events", "epi", "dseg", ...
    std::string extension;  // from the first dot: ".nii.gz", ".json", ".tsv"

    // The value of an entity, empty when the name has none.
    std::string get(const std::string& key) const;
    bool has(const std::string& key) const;
    // The name again, from its parts.
    std::string str() const;
};

// Null when the name is not key-value pairs joined by "_" and closed by a
// suffix (a key or value that is empty or not alphanumeric, a repeated key).
std::optional<FileName> parseFileName(const std::string& name);

// True when every entity of `part` is in `whole` with the same value: the
// test by which a metadata file applies to a data file.
bool entitiesSubset(const std::vector<Entity>& part, const std::vector<Entity>& whole);

}  // namespace bids::layout
