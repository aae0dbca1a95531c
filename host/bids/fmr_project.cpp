#include "host/bids/fmr_project.h"

#include "host/formats/format_io.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

namespace talvora::bids {
namespace fs = std::filesystem;
namespace {
constexpr int kMaxSize = 65535;  // the projects' map files hold 16-bit sizes

std::string entry(const std::string& key, const std::string& value) {
    std::string k = key + ":";
    k.resize(std::max<std::size_t>(k.size() + 1, 30), ' ');
    return k + value + "\n";
}

std::string number(double v) {
    std::ostringstream s;
    s.precision(9);
    s << v;
    return s.str();
}

std::string headerText(const ProjectSeries& p, const std::string& prefix) {
    const bool dmr = p.diffusion;
    std::string h = "\n";
    h += entry("FileVersion", dmr ? "3" : "7") + entry("NrOfVolumes", std::to_string(p.nt)) +
         entry("NrOfSlices", std::to_string(p.nz)) + entry("NrOfSkippedVolumes", "0") +
         entry("Prefix", "\"" + prefix + "\"") + entry("DataStorageFormat", dmr ? "3" : "1") +
         entry("DataType", "2") + entry("TR", number(p.trMs)) + entry("InterSliceTime", "0") +
         entry("TimeResolutionVerified", "1") + entry("TE", "0") + entry("SliceAcquisitionOrder", "0") +
         entry("SliceAcquisitionOrderVerified", "0") + entry("ResolutionX", std::to_string(p.nx)) +
         entry("ResolutionY", std::to_string(p.ny)) + entry("LoadAMRFile", "\"\"") +
         entry("ShowAMRFile", "0") + entry("ImageIndex", "0") + entry("LayoutNColumns", "5") +
         entry("LayoutNRows", "4") + entry("LayoutZoomLevel", "1") + entry("SegmentSize", "10") +
         entry("SegmentOffset", "0") + entry(dmr ? "DisplayVolume" : "NrOfLinkedProtocols", "0") +
         entry("ProtocolFile", "") + entry("InplaneResolutionX", number(p.voxelSize[0])) +
         entry("InplaneResolutionY", number(p.voxelSize[1])) +
         entry("SliceThickness", number(p.voxelSize[2])) + entry("SliceGap", "0") +
         entry("VoxelResolutionVerified", "1") + "\n\nPositionInformationFromImageHeaders\n\n" +
         entry("PosInfosVerified", "0") + entry("NrOfPastSpatialTransformations", "0") + "\n\n" +
         entry("LeftRightConvention", "1") + "\n\n" + entry("FirstDataSourceFile", "\"\"") + "\n";
    if (dmr) {
        h += entry("GradientDirectionsVerified", "YES") + entry("GradientXDirInterpretation", "2") +
             entry("GradientYDirInterpretation", "-1") + entry("GradientZDirInterpretation", "3") +
             entry("GradientInformationAvailable", "YES");
        for (const auto& g : p.gradients)
            h += formats::formatFloat(g[0]) + " " + formats::formatFloat(g[1]) + " " +
                 formats::formatFloat(g[2]) + " " + formats::formatFloat(g[3]) + "\n";
    } else {
        h += entry("MultibandSequence", "0") + "\n" + entry("SliceTimingTableSize", "0") +
             "AcqusitionTime:\tNA\n";
    }
    return h;
}

std::string dataBytes(const ProjectSeries& p) {
    std::string out;
    out.reserve(p.values.size() * 4);
    const std::size_t plane = static_cast<std::size_t>(p.nx) * static_cast<std::size_t>(p.ny);
    const std::size_t volume = p.volumeValues();
    if (p.diffusion) {
        formats::appendFloats(out, p.values.data(), p.values.size());
        return out;
    }
    for (int z = 0; z < p.nz; ++z)
        for (int t = 0; t < p.nt; ++t)
            formats::appendFloats(out, p.values.data() + static_cast<std::size_t>(t) * volume + z * plane,
                                  plane);
    return out;
}

// "Key: value" pairs of a project header (values without quotes).
std::map<std::string, std::string> headerKeys(const fs::path& project) {
    const std::string text = formats::readWholeFile(project, formats::kMaxHeaderBytes);
    std::map<std::string, std::string> keys;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos || colon == 0 || line.find(' ') < colon) continue;
        std::string value = line.substr(colon + 1);
        const auto first = value.find_first_not_of(" \t");
        value = first == std::string::npos ? "" : value.substr(first);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t'))
            value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        keys.emplace(line.substr(0, colon), value);
    }
    return keys;
}

long long sizeKey(const std::map<std::string, std::string>& keys, const fs::path& project,
                  const std::string& key, long long maximum) {
    const auto it = keys.find(key);
    long long v = 0;
    if (it == keys.end()) formats::fail(project, "the header has no " + key);
    if (!formats::parseInteger(it->second, v) || v < 1 || v > maximum)
        formats::fail(project, key + " must be a whole number from 1 to " + std::to_string(maximum) +
                                   ", not \"" + it->second + "\"");
    return v;
}

double numberKey(const std::map<std::string, std::string>& keys, const std::string& key) {
    const auto it = keys.find(key);
    float v = 0.0f;
    return it != keys.end() && formats::parseFloat(it->second, v) ? v : 0.0;
}
}  // namespace

void writeProjectSeries(const fs::path& project, const ProjectSeries& p) {
    const std::string prefix = project.stem().string();
    const fs::path data = project.parent_path() / (prefix + (p.diffusion ? ".dwi" : ".stc"));
    formats::saveBytes(data, dataBytes(p));
    try {
        formats::saveBytes(project, headerText(p, prefix));
    } catch (...) {
        std::error_code ec;
        fs::remove(data, ec);
        throw;
    }
}

ProjectSeries readProjectSeries(const fs::path& project) {
    formats::requireRegularFile(project);
    const auto keys = headerKeys(project);
    ProjectSeries p;
    std::string ext = project.extension().string();
    p.diffusion = ext == ".dmr" || ext == ".DMR";
    p.nx = static_cast<int>(sizeKey(keys, project, "ResolutionX", kMaxSize));
    p.ny = static_cast<int>(sizeKey(keys, project, "ResolutionY", kMaxSize));
    p.nz = static_cast<int>(sizeKey(keys, project, "NrOfSlices", kMaxSize));
    p.nt = static_cast<int>(sizeKey(keys, project, "NrOfVolumes", 1000000));
    p.trMs = numberKey(keys, "TR");
    p.voxelSize = {numberKey(keys, "InplaneResolutionX"), numberKey(keys, "InplaneResolutionY"),
                   numberKey(keys, "SliceThickness") + numberKey(keys, "SliceGap")};
    const auto type = keys.find("DataType");
    const bool floats = type != keys.end() && type->second == "2";
    const auto prefix = keys.find("Prefix");
    if (prefix == keys.end() || prefix->second.empty()) formats::fail(project, "the header has no Prefix");
    const fs::path data = project.parent_path() / (prefix->second + (p.diffusion ? ".dwi" : ".stc"));
    const std::size_t bytesPerValue = floats ? 4 : 2;
    const std::uint64_t expected = formats::saturatingSize(
        formats::saturatingSize(p.volumeValues(), static_cast<std::uint64_t>(p.nt)), bytesPerValue);
    std::error_code ec;
    const std::uint64_t actual = fs::file_size(data, ec);
    if (ec) formats::fail(data, "cannot read the project's data file");
    if (actual != expected)
        formats::fail(data, "holds " + std::to_string(actual) + " bytes where the header of " +
                                project.string() + " announces " + std::to_string(expected));
    const std::string bytes = formats::readWholeFile(data, expected);
    const std::size_t plane = static_cast<std::size_t>(p.nx) * static_cast<std::size_t>(p.ny);
    const std::size_t volume = p.volumeValues();
    p.values.resize(volume * static_cast<std::size_t>(p.nt));
    std::size_t source = 0;
    auto take = [&](std::size_t target) {
        for (std::size_t i = 0; i < plane; ++i, ++source) {
            if (floats) {
                std::memcpy(&p.values[target + i], bytes.data() + source * 4, 4);
            } else {
                std::int16_t s;
                std::memcpy(&s, bytes.data() + source * 2, 2);
                p.values[target + i] = s;
            }
        }
    };
    for (int outer = 0; outer < (p.diffusion ? p.nt : p.nz); ++outer)
        for (int inner = 0; inner < (p.diffusion ? p.nz : p.nt); ++inner) {
            const int t = p.diffusion ? outer : inner, z = p.diffusion ? inner : outer;
            take(static_cast<std::size_t>(t) * volume + static_cast<std::size_t>(z) * plane);
        }
    return p;
}

}  // namespace talvora::bids
