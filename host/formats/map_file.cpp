#include "host/formats/map_file.h"

#include <cstring>
#include <stdexcept>

namespace talvora::formats {
namespace {
constexpr const char* kMagic = "TALVORA-MAPS";
constexpr int kVersion = 1;
constexpr long long kMaxMaps = 100000;
constexpr long long kMaxThresholds = 1000;

Rgb readColor(HeaderReader& in, std::string_view key) {
    const auto c = in.integers(key, 3, 0, 255);
    return {static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
            static_cast<std::uint8_t>(c[2])};
}

void writeColor(std::string& out, const char* key, const Rgb& c) {
    out += std::string(key) + ": " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " " +
           std::to_string(c[2]) + "\n";
}

// A name or label is one header line: reading and writing accept the same
// texts, so any set that was read can be saved again.
bool breaksLine(const std::string& text) {
    return text.find('\n') != std::string::npos || text.find('\r') != std::string::npos;
}

void checkText(const std::string& text, const char* what) {
    if (text.size() > kMaxMapTextLength || breaksLine(text))
        throw std::invalid_argument(std::string(what) + " must be one line of at most 255 characters");
}

std::string floatList(const std::vector<float>& values) {
    std::string s;
    for (std::size_t i = 0; i < values.size(); ++i) s += (i ? " " : "") + formatFloat(values[i]);
    return s;
}

// "Key: value", or just "Key:" for an empty value (no trailing blank).
std::string line(const char* key, const std::string& value) {
    return std::string(key) + ":" + (value.empty() ? "" : " " + value) + "\n";
}
}  // namespace

// Largest map set: every map on the largest grid, with its settings.
const std::uint64_t kMaxMapSetBytes =
    saturatingSize(32767ull * 32767ull * 32767ull * 4 + 4096, 100000ull, kMaxHeaderBytes);

MapSetFile readMapSetFile(const std::filesystem::path& path) {
    HeaderReader in(path, readWholeFile(path, kMaxMapSetBytes));
    in.expectMagic(kMagic, kVersion, "Talvora map file");
    MapSetFile set;
    const long long nrOfMaps = in.integer("NrOfMaps", 0, kMaxMaps);
    set.option = static_cast<int>(in.integer("Option", -1000000, 1000000));
    set.nrOfThresholds = static_cast<int>(in.integer("NrOfThresholds", 0, kMaxThresholds));
    set.grid = in.grid();
    for (int t = 0; t < set.nrOfThresholds; ++t) {
        std::string label = in.value("ThresholdLabel");
        if (label.size() > kMaxMapTextLength)
            in.failAtLine("a threshold label is longer than 255 characters");
        if (breaksLine(label)) in.failAtLine("a threshold label holds a carriage return");
        set.thresholdLabels.push_back(std::move(label));
    }
    for (long long m = 0; m < nrOfMaps; ++m) {
        MapDefinition map;
        map.name = in.value("Map");
        if (map.name.size() > kMaxMapTextLength)
            in.failAtLine("the name of map " + std::to_string(m + 1) + " is longer than 255 characters");
        if (breaksLine(map.name))
            in.failAtLine("the name of map " + std::to_string(m + 1) + " holds a carriage return");
        map.mapType = static_cast<int>(in.integer("MapType", -1000000, 1000000));
        map.lowerThreshold = in.number("LowerThreshold", false);
        map.upperThreshold = in.number("UpperThreshold", false);
        map.colorPositiveLow = readColor(in, "ColorPositiveLow");
        map.colorPositiveHigh = readColor(in, "ColorPositiveHigh");
        map.colorNegativeLow = readColor(in, "ColorNegativeLow");
        map.colorNegativeHigh = readColor(in, "ColorNegativeHigh");
        map.useColors = static_cast<int>(in.integer("UseColors", -1000000, 1000000));
        map.fdrThresholds = in.numbers("FDRThresholds", static_cast<std::size_t>(set.nrOfThresholds), false);
        set.maps.push_back(std::move(map));
    }
    const std::size_t voxels = set.grid.voxelCount();
    const std::string_view bytes =
        in.binaryPayload(static_cast<std::size_t>(nrOfMaps) * voxels * 4, "map values");
    for (std::size_t m = 0; m < set.maps.size(); ++m) {
        set.maps[m].values.resize(voxels);
        std::memcpy(set.maps[m].values.data(), bytes.data() + m * voxels * 4, voxels * 4);
    }
    return set;
}

std::string encodeMapSetFile(const MapSetFile& set) {
    if (set.grid.resolution < 1 || set.grid.voxelCount() == 0)
        throw std::invalid_argument("map grid is empty");
    if (set.nrOfThresholds < 0 || set.thresholdLabels.size() != static_cast<std::size_t>(set.nrOfThresholds))
        throw std::invalid_argument("one threshold label per threshold");
    std::string out = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    out += "NrOfMaps: " + std::to_string(set.maps.size()) + "\n";
    out += "Option: " + std::to_string(set.option) + "\n";
    out += "NrOfThresholds: " + std::to_string(set.nrOfThresholds) + "\n";
    writeGrid(out, set.grid);
    for (const std::string& label : set.thresholdLabels) {
        checkText(label, "a threshold label");
        out += line("ThresholdLabel", label);
    }
    for (const MapDefinition& map : set.maps) {
        checkText(map.name, "a map name");
        if (map.fdrThresholds.size() != static_cast<std::size_t>(set.nrOfThresholds))
            throw std::invalid_argument(
                "each map holds one false-discovery threshold per threshold of the set");
        if (map.values.size() != set.grid.voxelCount())
            throw std::invalid_argument("each map holds one value per voxel");
        out += "\n" + line("Map", map.name);
        out += "MapType: " + std::to_string(map.mapType) + "\n";
        out += "LowerThreshold: " + formatFloat(map.lowerThreshold) + "\n";
        out += "UpperThreshold: " + formatFloat(map.upperThreshold) + "\n";
        writeColor(out, "ColorPositiveLow", map.colorPositiveLow);
        writeColor(out, "ColorPositiveHigh", map.colorPositiveHigh);
        writeColor(out, "ColorNegativeLow", map.colorNegativeLow);
        writeColor(out, "ColorNegativeHigh", map.colorNegativeHigh);
        out += "UseColors: " + std::to_string(map.useColors) + "\n";
        out += line("FDRThresholds", floatList(map.fdrThresholds));
    }
    out += "BinaryData:\n";
    for (const MapDefinition& map : set.maps) appendFloats(out, map.values.data(), map.values.size());
    return out;
}

void writeMapSetFile(const std::filesystem::path& path, const MapSetFile& set) {
    saveBytes(path, encodeMapSetFile(set));
}

}  // namespace talvora::formats
