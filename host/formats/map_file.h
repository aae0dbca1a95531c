// The host's map file for volume maps in functional resolution (saved as
// ".blm", ".gcm", ".vmp", whatever the caller names it): a text header with
// the set's grid and each map's name, type, thresholds, colours and
// false-discovery thresholds, then every map's values as float32, map after
// map, one value per VTC voxel.
#pragma once

#include "host/formats/format_io.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvora::formats {

struct MapDefinition {
    std::string name;
    int mapType = 0;
    float lowerThreshold = 0.0f;
    float upperThreshold = 1.0f;
    Rgb colorPositiveLow{255, 0, 0};
    Rgb colorPositiveHigh{255, 255, 0};
    Rgb colorNegativeLow{0, 0, 255};
    Rgb colorNegativeHigh{0, 255, 255};
    int useColors = 0;
    std::vector<float> fdrThresholds;  // one per threshold of the set
    std::vector<float> values;         // one per voxel of the set's grid
};

struct MapSetFile {
    int option = 0;
    int nrOfThresholds = 0;
    FunctionalGrid grid;
    std::vector<std::string> thresholdLabels;  // nrOfThresholds labels
    std::vector<MapDefinition> maps;
};

// Longest map name and threshold label (host buffers hold 256 bytes).
constexpr std::size_t kMaxMapTextLength = 255;

MapSetFile readMapSetFile(const std::filesystem::path& path);
std::string encodeMapSetFile(const MapSetFile& set);  // std::invalid_argument on bad input
void writeMapSetFile(const std::filesystem::path& path, const MapSetFile& set);

}  // namespace talvora::formats
