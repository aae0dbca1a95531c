// The six map types built from the per-voxel measures, and each map's
// display settings.
#pragma once

#include "granger/core/gcm_settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace granger::core {

// Per-voxel results of one condition: real and surrogate measures, x fastest.
struct ResultVolumes {
    std::vector<float> ref2vox, vox2ref, inst;
    std::vector<float> nullRef2vox, nullVox2ref, nullInst;

    explicit ResultVolumes(std::size_t voxels = 0)
        : ref2vox(voxels),
          vox2ref(voxels),
          inst(voxels),
          nullRef2vox(voxels),
          nullVox2ref(voxels),
          nullInst(voxels) {}
    void scale(float factor);
};

// Values and null values of a map type; `hasNull` is false for the relative
// difference, which gets no false-discovery threshold. False for an unknown type.
bool buildMapValues(int type, const ResultVolumes& r, const GcmSettings& s, std::vector<float>& values,
                    std::vector<float>& null, bool& hasNull);

using Rgb = std::array<std::uint8_t, 3>;

struct MapDisplay {
    std::string name;
    float lower = 0.0f;
    float upper = 0.0f;
    Rgb positiveLow{}, positiveHigh{}, negativeLow{}, negativeHigh{};
    bool setsFdrThresholds = true;
};

// Name, thresholds and colours of a map of `type` for `condition`, given the
// threshold of the smallest q. False for an unknown type.
bool mapDisplay(int type, const std::string& condition, float firstThreshold, const GcmSettings& s,
                MapDisplay& out);

}  // namespace granger::core
