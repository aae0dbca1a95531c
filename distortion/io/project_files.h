// Functional (FMR + STC) and diffusion (DMR + DWI) projects: the header
// entries this plug-in knows, with their spelling and column width as read,
// and the data as one volume per time point.
#pragma once

#include "distortion/core/containers.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
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

// How a project's data file holds its samples: FMR data slice by slice
// (every volume's plane z before plane z + 1), DMR data volume by volume.
struct DataLayout {
    std::size_t nx = 0, ny = 0, nz = 0, nt = 0;
    bool floats = false;  // 32-bit floats, else 16-bit integers
    bool volumeMajor = false;
    std::size_t bytesPerValue() const { return floats ? 4 : 2; }
    std::size_t planeValues() const { return nx * ny; }
    std::size_t planeBytes() const { return planeValues() * bytesPerValue(); }
    std::size_t totalBytes() const { return planeBytes() * nz * nt; }
    // Where plane z of volume t starts in the file.
    std::size_t planeOffset(std::size_t t, std::size_t z) const {
        return (volumeMajor ? t * nz + z : z * nt + t) * planeBytes();
    }
};

// Opens the data file and checks the header's sizes against it, with the
// errors reading the data gives; nothing is allocated by the header's sizes.
DataLayout openProjectData(const Project& project, std::ifstream& in);

// Stored samples (little-endian 16-bit integers or floats) as floats.
void samplesToFloats(const char* bytes, bool floats, std::size_t count, float* out);
// A float as a stored 16-bit sample: truncated toward zero and held inside
// the 16-bit range (NaN becomes 0).
std::int16_t toStoredInt16(float v);

// The header text as written (exposed for tests).
std::string headerText(const Project& project);

// Writes header and data under a new path; each file appears whole or not
// at all. Throws WriteFileError.
void writeProject(Project& project, const std::string& newPath);
// The same with the data file's bytes given whole, in the file's order.
void writeProject(Project& project, const std::string& newPath, const std::vector<char>& dataBytes);

}  // namespace distortion::io
