// Functional (FMR + STC) and diffusion (DMR + DWI) projects: the header
// entries this plug-in knows, with their spelling and column width as read,
// and the data as one volume per time point.
#pragma once

#include "distortion/core/containers.h"

#include <string>
#include <vector>

namespace distortion::io {

using core::Volume;

enum class EntryKind { Int, Float, Bool, YesNo, Text };

struct HeaderEntry {
    std::string id;   // canonical name
    std::string key;  // key text as read (a synonym keeps its spelling)
    EntryKind kind = EntryKind::Int;
    int intValue = 0;
    float floatValue = 0.0f;
    bool boolValue = false;
    std::string text;
    int width = 0;  // key token plus the blanks and tabs after it
    bool quoted = false;
    bool present = false;
};

enum class ProjectKind { FMR, DMR };

class Project {
public:
    explicit Project(ProjectKind kind);

    ProjectKind kind() const { return kind_; }
    HeaderEntry& entry(const std::string& id);
    const HeaderEntry& entry(const std::string& id) const;
    int intOf(const std::string& id) const { return entry(id).intValue; }
    float floatOf(const std::string& id) const { return entry(id).floatValue; }

    std::string path;
    std::vector<float> transformationValues;  // FMR: past spatial transformations
    std::vector<float> sliceTiming;           // FMR
    std::vector<float> gradientTable;         // DMR: four values per volume
    std::vector<Volume> volumes;
    bool dataRead = false;

    std::vector<HeaderEntry>& entries() { return entries_; }
    const std::vector<HeaderEntry>& entries() const { return entries_; }

private:
    ProjectKind kind_;
    std::vector<HeaderEntry> entries_;
};

// Reads the header and, when asked, the data file. Throws OpenFileError,
// ReadFileError or IOError naming the file and the problem.
Project readProject(ProjectKind kind, const std::string& path, bool readData);
inline Project readFMR(const std::string& path, bool readData) {
    return readProject(ProjectKind::FMR, path, readData);
}
inline Project readDMR(const std::string& path, bool readData) {
    return readProject(ProjectKind::DMR, path, readData);
}

// The data file's path: the header's folder, Prefix, ".stc" or ".dwi".
std::string dataFilePath(const Project& project);
void readProjectData(Project& project);

// The header text as written (exposed for tests).
std::string headerText(const Project& project);

// Writes header and data under a new path; each file appears whole or not
// at all. Throws WriteFileError.
void writeProject(Project& project, const std::string& newPath);

}  // namespace distortion::io
