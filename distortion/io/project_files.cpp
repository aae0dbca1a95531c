#include "distortion/io/project_files.h"

#include "distortion/core/errors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <limits>
#include <sstream>

namespace distortion::io {

using namespace core;
namespace {

struct EntrySpec {
    const char* id;
    const char* key;
    EntryKind kind;
};

using K = EntryKind;

// The entries every project shares, in the order they are written.
const EntrySpec kCommonHead[] = {
    {"FileVersion", "FileVersion", K::Int},
    {"NrOfVolumes", "NrOfVolumes", K::Int},
    {"NrOfSlices", "NrOfSlices", K::Int},
    {"NrOfSkippedVolumes", "NrOfSkippedVolumes", K::Int},
    {"Prefix", "Prefix", K::Text},
    {"DataStorageFormat", "DataStorageFormat", K::Int},
    {"DataType", "DataType", K::Int},
    {"TR", "TR", K::Int},
    {"InterSliceTime", "InterSliceTime", K::Int},
    {"TimeResolutionVerified", "TimeResolutionVerified", K::Bool},
    {"TE", "TE", K::Int},
    {"SliceAcquisitionOrder", "SliceAcquisitionOrder", K::Int},
    {"SliceAcquisitionOrderVerified", "SliceAcquisitionOrderVerified", K::Bool},
    {"ResolutionX", "ResolutionX", K::Int},
    {"ResolutionY", "ResolutionY", K::Int},
    {"LoadAMRFile", "LoadAMRFile", K::Text},
    {"ShowAMRFile", "ShowAMRFile", K::Bool},
    {"ImageIndex", "ImageIndex", K::Int},
    {"LayoutNColumns", "LayoutNColumns", K::Int},
    {"LayoutNRows", "LayoutNRows", K::Int},
    {"LayoutZoomLevel", "LayoutZoomLevel", K::Int},
    {"SegmentSize", "SegmentSize", K::Int},
    {"SegmentOffset", "SegmentOffset", K::Int},
};
const EntrySpec kFmrProtocols = {"NrOfLinkedProtocols", "NrOfLinkedProtocols", K::Int};
const EntrySpec kDmrDisplay = {"DisplayVolume", "DisplayVolume", K::Int};
const EntrySpec kCommonMiddle[] = {
    {"ProtocolFile", "ProtocolFile", K::Text},
    {"InplaneResolutionX", "InplaneResolutionX", K::Float},
    {"InplaneResolutionY", "InplaneResolutionY", K::Float},
    {"SliceThickness", "SliceThickness", K::Float},
    {"SliceGap", "SliceGap", K::Float},
    {"VoxelResolutionVerified", "VoxelResolutionVerified", K::Bool},
};
const EntrySpec kPosition[] = {
    {"PosInfosVerified", "PosInfosVerified", K::Bool},
    {"CoordinateSystem", "CoordinateSystem", K::Int},
    {"Slice1CenterX", "Slice1CenterX", K::Float},
    {"Slice1CenterY", "Slice1CenterY", K::Float},
    {"Slice1CenterZ", "Slice1CenterZ", K::Float},
    {"SliceNCenterX", "SliceNCenterX", K::Float},
    {"SliceNCenterY", "SliceNCenterY", K::Float},
    {"SliceNCenterZ", "SliceNCenterZ", K::Float},
    {"RowDirX", "RowDirX", K::Float},
    {"RowDirY", "RowDirY", K::Float},
    {"RowDirZ", "RowDirZ", K::Float},
    {"ColDirX", "ColDirX", K::Float},
    {"ColDirY", "ColDirY", K::Float},
    {"ColDirZ", "ColDirZ", K::Float},
    {"NRows", "NRows", K::Int},
    {"NCols", "NCols", K::Int},
    {"FoVRows", "FoVRows", K::Float},
    {"FoVCols", "FoVCols", K::Float},
    {"PosSliceThickness", "SliceThickness", K::Float},
    {"GapThickness", "GapThickness", K::Float},
    {"NrOfPastSpatialTransformations", "NrOfPastSpatialTransformations", K::Int},
};
const EntrySpec kTransformation[] = {
    {"NameOfSpatialTransformation", "NameOfSpatialTransformation", K::Text},
    {"TypeOfSpatialTransformation", "TypeOfSpatialTransformation", K::Int},
    {"AppliedToFileName", "AppliedToFileName", K::Text},
    {"NrOfTransformationValues", "NrOfTransformationValues", K::Int},
};
const EntrySpec kFmrTail[] = {
    {"LeftRightConvention", "LeftRightConvention", K::Text},
    {"FirstDataSourceFile", "FirstDataSourceFile", K::Text},
    {"MultibandSequence", "MultibandSequence", K::Int},
    {"SliceTimingTableSize", "SliceTimingTableSize", K::Int},
    {"AcqusitionTime", "AcqusitionTime", K::Float},
};
const EntrySpec kDmrTail[] = {
    {"LeftRightConvention", "LeftRightConvention", K::Text},
    {"FirstDataSourceFile", "FirstDataSourceFile", K::Text},
    {"GradientDirectionsVerified", "GradientDirectionsVerified", K::YesNo},
    {"GradientXDirInterpretation", "GradientXDirInterpretation", K::Int},
    {"GradientYDirInterpretation", "GradientYDirInterpretation", K::Int},
    {"GradientZDirInterpretation", "GradientZDirInterpretation", K::Int},
    {"GradientInformationAvailable", "GradientInformationAvailable", K::YesNo},
};

void addAll(std::vector<HeaderEntry>& out, const EntrySpec* begin, const EntrySpec* end) {
    for (const EntrySpec* s = begin; s != end; ++s) {
        HeaderEntry e;
        e.id = s->id;
        e.key = s->key;
        e.kind = s->kind;
        out.push_back(e);
    }
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string trimRight(std::string s) {
    while (!s.empty() && std::strchr(" \t\n\v\f\r", s.back())) s.pop_back();
    return s;
}

// The canonical entry a key token (with its colon) names, or "".
std::string idOfToken(const Project& p, const std::string& token, bool inPositionBlock) {
    if (token.size() < 2 || token.back() != ':') return "";
    const std::string key = token.substr(0, token.size() - 1);
    if (key == "NrOfColumns") return "ResolutionX";
    if (key == "NrOfRows") return "ResolutionY";
    if (key == "SliceThickness") return inPositionBlock ? "PosSliceThickness" : "SliceThickness";
    for (const HeaderEntry& e : p.entries())
        if (e.key == key && e.id != "PosSliceThickness") return e.id;
    return "";
}

[[noreturn]] void badValue(const std::string& path, const std::string& key) {
    throw IOError(path + ": the value of " + key + " is not a number");
}

// Reads `count` floats right after a key that gives their number.
void readFloats(std::istream& in, long count, std::vector<float>& out, const std::string& path,
                const std::string& key) {
    for (long i = 0; i < count; ++i) {
        float v;
        if (!(in >> v))
            throw IOError(path + ": " + key + " announces " + std::to_string(count) + " values, but value " +
                          std::to_string(i + 1) + " is missing or not a number");
        out.push_back(v);
    }
}

void readEntry(std::istream& in, HeaderEntry& e, const std::string& token, const std::string& path) {
    e.key = token.substr(0, token.size() - 1);
    int blanks = 0;
    while (in.peek() == ' ' || in.peek() == '\t') {
        in.get();
        ++blanks;
    }
    e.width = static_cast<int>(token.size()) + blanks;
    switch (e.kind) {
        case EntryKind::Int:
            if (!(in >> e.intValue)) badValue(path, e.key);
            break;
        case EntryKind::Float:
            if (!(in >> e.floatValue)) {
                // A missing acquisition time is written "NA".
                if (e.id != "AcqusitionTime") badValue(path, e.key);
                in.clear();
                std::string word;
                in >> word;
                e.floatValue = 0.0f;
            }
            break;
        case EntryKind::Bool: {
            int v = 0;
            if (!(in >> v)) badValue(path, e.key);
            e.boolValue = v != 0;
            break;
        }
        case EntryKind::YesNo: {
            const int c = in.peek();
            e.boolValue = !(c == 'N' || c == 'n');
            break;
        }
        case EntryKind::Text: {
            std::string rest;
            std::getline(in, rest);
            rest = trimRight(rest);
            const std::size_t first = rest.find('"'), last = rest.rfind('"');
            e.quoted = first != std::string::npos && last != first;
            e.text = e.quoted ? rest.substr(first + 1, last - first - 1) : rest;
            break;
        }
    }
    e.present = true;
}

void checkPositive(const Project& p, const char* id, const std::string& path) {
    const HeaderEntry& e = p.entry(id);
    if (!e.present) throw IOError(path + ": the header has no " + std::string(id));
    if (e.intValue <= 0)
        throw IOError(path + ": " + e.key + " must be a positive number, not " + std::to_string(e.intValue));
}

}  // namespace

Project::Project(ProjectKind kind) : kind_(kind) {
    addAll(entries_, std::begin(kCommonHead), std::end(kCommonHead));
    addAll(entries_, kind == ProjectKind::FMR ? &kFmrProtocols : &kDmrDisplay,
           (kind == ProjectKind::FMR ? &kFmrProtocols : &kDmrDisplay) + 1);
    addAll(entries_, std::begin(kCommonMiddle), std::end(kCommonMiddle));
    addAll(entries_, std::begin(kPosition), std::end(kPosition));
    addAll(entries_, std::begin(kTransformation), std::end(kTransformation));
    if (kind == ProjectKind::FMR)
        addAll(entries_, std::begin(kFmrTail), std::end(kFmrTail));
    else
        addAll(entries_, std::begin(kDmrTail), std::end(kDmrTail));
}

HeaderEntry& Project::entry(const std::string& id) {
    for (HeaderEntry& e : entries_)
        if (e.id == id) return e;
    throw std::logic_error("no header entry " + id);
}
const HeaderEntry& Project::entry(const std::string& id) const {
    return const_cast<Project*>(this)->entry(id);
}

Project readProject(ProjectKind kind, const std::string& path, bool readData) {
    std::ifstream in(path);
    if (!in) throw OpenFileError("Failed opening for reading: " + path);
    Project p(kind);
    p.path = path;
    bool inPositionBlock = false;
    std::string token;
    while (in.good()) {
        if (!(in >> token)) break;
        if (token == "PositionInformationFromImageHeaders") {
            inPositionBlock = true;
            continue;
        }
        const std::string id = idOfToken(p, token, inPositionBlock);
        if (id.empty()) continue;
        HeaderEntry& e = p.entry(id);
        readEntry(in, e, token, path);
        if (id == "NrOfTransformationValues" && e.intValue > 0)
            readFloats(in, e.intValue, p.transformationValues, path, e.key);
        else if (id == "SliceTimingTableSize" && e.intValue > 0)
            readFloats(in, e.intValue, p.sliceTiming, path, e.key);
        else if (id == "GradientInformationAvailable" && e.boolValue) {
            std::string word;  // the YES itself comes before the table
            in >> word;
            const HeaderEntry& volumes = p.entry("NrOfVolumes");
            if (volumes.present && volumes.intValue > 0)
                readFloats(in, 4L * volumes.intValue, p.gradientTable, path, e.key);
        }
    }
    if (readData) readProjectData(p);
    return p;
}

std::string dataFilePath(const Project& p) {
    return folderOf(p.path) + p.entry("Prefix").text + (p.kind() == ProjectKind::FMR ? ".stc" : ".dwi");
}

DataLayout openProjectData(const Project& p, std::ifstream& in) {
    const std::string dataPath = dataFilePath(p);
    const bool fmr = p.kind() == ProjectKind::FMR;
    in.open(dataPath, std::ios::binary);
    if (!in)
        throw OpenFileError((fmr ? "Failed opening STC for reading: " : "Failed opening for reading: ") +
                            dataPath);
    if (!fmr && p.intOf("DataStorageFormat") != 3)
        throw std::runtime_error("Can only read DataStorageFormat 3, Not " +
                                 std::to_string(p.intOf("DataStorageFormat")));
    for (const char* id : {"ResolutionX", "ResolutionY", "NrOfSlices", "NrOfVolumes"})
        checkPositive(p, id, p.path);
    DataLayout l;
    l.nx = static_cast<std::size_t>(p.intOf("ResolutionX"));
    l.ny = static_cast<std::size_t>(p.intOf("ResolutionY"));
    l.nz = static_cast<std::size_t>(p.intOf("NrOfSlices"));
    l.nt = static_cast<std::size_t>(p.intOf("NrOfVolumes"));
    l.floats = p.intOf("DataType") == 2;
    l.volumeMajor = !fmr;
    const std::size_t bytesPerValue = l.bytesPerValue();
    // Sizes from a header are checked against the file before any allocation.
    in.seekg(0, std::ios::end);
    const std::streamoff fileSize = in.tellg();
    in.seekg(0, std::ios::beg);
    const std::size_t limit = std::numeric_limits<std::size_t>::max() / bytesPerValue;
    const std::size_t nx = l.nx, ny = l.ny, nz = l.nz, nt = l.nt;
    const bool tooLarge = nx > limit / ny || nx * ny > limit / nz || nx * ny * nz > limit / nt ||
                          nx * ny * nz > static_cast<std::size_t>(std::numeric_limits<int>::max());
    if (tooLarge)
        throw IOError(p.path + ": the data size " + std::to_string(nx) + " x " + std::to_string(ny) + " x " +
                      std::to_string(nz) + " x " + std::to_string(nt) + " is too large");
    const std::size_t expected = l.totalBytes();
    if (fileSize < 0 || static_cast<std::size_t>(fileSize) < expected)
        throw ReadFileError("error reading from binary file");
    // More data than the header describes means the header's sizes are not
    // those of the data: read with them, every volume would be misaligned.
    if (static_cast<std::size_t>(fileSize) > expected)
        throw ReadFileError(dataPath + ": the data file holds " + std::to_string(fileSize) + " bytes, but " +
                            p.path + " describes " + std::to_string(expected) + " (" + std::to_string(nx) +
                            " x " + std::to_string(ny) + " x " + std::to_string(nz) + " x " +
                            std::to_string(nt) + " values of " + std::to_string(bytesPerValue) + " bytes)");
    return l;
}

void readProjectData(Project& p) {
    std::ifstream in;
    const DataLayout l = openProjectData(p, in);
    p.volumes.assign(l.nt, Volume());
    for (Volume& v : p.volumes)
        v = Volume(static_cast<int>(l.nx), static_cast<int>(l.ny), static_cast<int>(l.nz));
    const std::size_t plane = l.planeValues();
    std::vector<char> buffer(plane * l.bytesPerValue());
    auto readPlane = [&](Volume& v, std::size_t z) {
        if (!in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
            throw ReadFileError("error reading from binary file");
        samplesToFloats(buffer.data(), l.floats, plane, v.data() + z * plane);
    };
    if (!l.volumeMajor) {
        for (std::size_t z = 0; z < l.nz; ++z)
            for (std::size_t t = 0; t < l.nt; ++t) readPlane(p.volumes[t], z);
    } else {
        for (std::size_t t = 0; t < l.nt; ++t)
            for (std::size_t z = 0; z < l.nz; ++z) readPlane(p.volumes[t], z);
    }
    p.dataRead = true;
}

void samplesToFloats(const char* bytes, bool floats, std::size_t count, float* out) {
    if (floats) {
        std::memcpy(out, bytes, count * 4);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t s;
        std::memcpy(&s, bytes + 2 * i, 2);
        out[i] = static_cast<float>(s);
    }
}

std::string headerText(const Project& p) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    auto write = [&](const char* id, int lineEnds) {
        const HeaderEntry& e = p.entry(id);
        if (!e.present) return;
        out << std::left << std::setw(e.width) << (e.key + ":") << std::right;
        switch (e.kind) {
            case EntryKind::Int:
                out << e.intValue;
                break;
            case EntryKind::Float:
                out << e.floatValue;
                break;
            case EntryKind::Bool:
                out << (e.boolValue ? 1 : 0);
                break;
            case EntryKind::YesNo:
                out << (e.boolValue ? "YES" : "NO");
                break;
            case EntryKind::Text:
                out << (e.quoted ? "\"" + e.text + "\"" : e.text);
                break;
        }
        for (int i = 0; i < lineEnds; ++i) out << '\n';
    };
    const bool fmr = p.kind() == ProjectKind::FMR;
    out << '\n';
    for (const EntrySpec& s : kCommonHead) write(s.id, 1);
    write(fmr ? "NrOfLinkedProtocols" : "DisplayVolume", 1);
    for (const EntrySpec& s : kCommonMiddle)
        write(s.id, std::strcmp(s.id, "VoxelResolutionVerified") == 0 ? 2 : 1);
    out << "\nPositionInformationFromImageHeaders\n\n";
    for (const EntrySpec& s : kPosition) {
        int ends = 1;
        if (std::strcmp(s.id, "GapThickness") == 0) ends = 3;
        if (std::strcmp(s.id, "NrOfPastSpatialTransformations") == 0) ends = p.intOf(s.id) > 0 ? 2 : 3;
        write(s.id, ends);
    }
    if (fmr) {
        if (p.intOf("NrOfPastSpatialTransformations") > 0) {
            for (const EntrySpec& s : kTransformation) write(s.id, 1);
            const HeaderEntry& count = p.entry("NrOfTransformationValues");
            if (count.present && count.intValue > 0) {
                out << std::fixed << std::setprecision(5);
                for (int row = 0; row < 4; ++row) {
                    for (int col = 0; col < 4; ++col) {
                        const std::size_t i = static_cast<std::size_t>(4 * row + col);
                        const float v = i < p.transformationValues.size() ? p.transformationValues[i] : 0.0f;
                        if (col == 0)
                            out << std::setw(9) << v;
                        else
                            out << '\t' << v;
                    }
                    out << (row < 3 ? "\n" : "\n\n\n");
                }
            }
        }
        write("LeftRightConvention", 3);
        write("FirstDataSourceFile", 2);
        write("MultibandSequence", 2);
        const HeaderEntry& timing = p.entry("SliceTimingTableSize");
        write("SliceTimingTableSize", 1);
        if (timing.present && timing.intValue > 0) {
            for (float v : p.sliceTiming) out << v << '\n';
            out << '\n';
        }
        const HeaderEntry& acq = p.entry("AcqusitionTime");
        if (acq.present) {
            if (std::lround(acq.floatValue) != 0)
                write("AcqusitionTime", 1);
            else
                out << "AcqusitionTime:\tNA\n";
        }
    } else {
        write("LeftRightConvention", 3);
        write("FirstDataSourceFile", 2);
        for (const char* id :
             {"GradientDirectionsVerified", "GradientXDirInterpretation", "GradientYDirInterpretation",
              "GradientZDirInterpretation", "GradientInformationAvailable"})
            write(id, 1);
        const HeaderEntry& gradients = p.entry("GradientInformationAvailable");
        if (gradients.present && gradients.boolValue) {
            for (std::size_t i = 0; i + 3 < p.gradientTable.size(); i += 4)
                out << p.gradientTable[i] << ' ' << p.gradientTable[i + 1] << ' ' << p.gradientTable[i + 2]
                    << ' ' << p.gradientTable[i + 3] << '\n';
        }
    }
    return out.str();
}

}  // namespace distortion::io
