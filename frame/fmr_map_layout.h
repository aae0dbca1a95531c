// The layout of a ".map" file (maps of a functional project), shared by the
// host's reader and the distortion plug-in's: the header up to the first
// map's name, and each map's slices. Values are little-endian.
#pragma once

#include "frame/binary_reader.h"

#include <cstdint>
#include <vector>

namespace tl {

struct FmrMapHeader {
    std::uint16_t typeWord = 0;  // version * 10000 + slices of old files
    int nx = 0, ny = 0, nz = 0;  // columns, rows, slices
    std::uint16_t clusterFlag = 0;
    float lowerThreshold = 0.0f, upperThreshold = 0.0f;
    int nrOfMaps = 0;  // field A
};

// Slices, rows, columns (a zero slice count takes the type word's last four
// digits), cluster flag, thresholds, a version-2 word, field A (the number of
// maps), field B (above 2: two more 32-bit words).
inline FmrMapHeader readFmrMapHeader(BinaryReader& in) {
    FmrMapHeader h;
    h.typeWord = in.get<std::uint16_t>();
    std::uint16_t slices = in.get<std::uint16_t>();
    h.ny = in.get<std::uint16_t>();
    h.nx = in.get<std::uint16_t>();
    if (slices == 0) slices = static_cast<std::uint16_t>(h.typeWord % 10000);
    h.nz = slices;
    h.clusterFlag = in.get<std::uint16_t>();
    h.lowerThreshold = in.get<float>();
    h.upperThreshold = in.get<float>();
    if (h.typeWord / 10000 == 2) in.skip<std::uint16_t>();
    h.nrOfMaps = in.get<std::uint16_t>();
    const std::uint16_t fieldB = in.get<std::uint16_t>();
    if (fieldB > 2) {
        in.skip<std::int32_t>();
        in.skip<std::int32_t>();
    }
    return h;
}

// One map's values after its name: per slice a 16-bit index, then the
// slice's nx * ny floats.
inline std::vector<float> readFmrMapValues(BinaryReader& in, const FmrMapHeader& h) {
    const std::size_t plane = static_cast<std::size_t>(h.nx) * h.ny;
    std::vector<float> values;
    for (int z = 0; z < h.nz; ++z) {
        in.skip<std::uint16_t>();
        in.appendFloats(values, plane);
    }
    return values;
}

}  // namespace tl
