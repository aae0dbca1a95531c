#pragma once
// Writes study manifests (and their CSV matrices) into a temporary folder.

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace graph_test {

// A complete, valid manifest; tests change or erase parts of it.
nlohmann::json validManifest();

// A fresh folder under the system's temporary directory, removed on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `text` to folder/name and returns the full path.
    std::string write(const std::string& name, const std::string& text) const;
    std::string writeJson(const std::string& name, const nlohmann::json& document) const;

private:
    std::filesystem::path path_;
};

// Erases the member at a dotted path ("configuration.method").
void eraseAt(nlohmann::json& document, const std::string& dottedPath);
// The member at a dotted path.
nlohmann::json& at(nlohmann::json& document, const std::string& dottedPath);

// Comma-separated rows of a square matrix.
std::string csvMatrix(const std::vector<std::vector<float>>& rows);

using Rows = std::vector<std::vector<float>>;

// A symmetric n x n matrix with zero diagonal and weights in (0, 1],
// some of them 0; the same seed gives the same matrix.
Rows exampleMatrix(int n, unsigned seed);

// Writes a subject into folder/dir: one CSV per matrix and a manifest whose
// nodes are all matrix rows (names "N0", "N1", ...). With `conditions`, the
// protocol is in use and condition k names matrix k. Returns the manifest path.
std::string writeSubject(const TempFolder& folder, const std::string& dir, const std::string& id,
                         const std::vector<Rows>& matrices, const std::vector<std::string>& conditions = {});

}  // namespace graph_test
