// Global parameters of a Granger causality mapping run and the reader of
// their settings file ("VUVIrurar.ini").
#pragma once

#include <cstdint>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

namespace granger::core {

// Map types in the order a map set holds them.
enum MapType { REF2VOX = 0, VOX2REF = 1, INST = 2, DGCM = 3, DGCM_IT = 4, DGCM_RC = 5 };

// The settings file's key of a map type ("REF2VOX", ...); empty for an unknown code.
const char* mapTypeKey(int code);
// The code of a type key, -1 when unknown.
int mapTypeCode(const std::string& key);

struct GcmSettings {
    std::set<int> mapTypes{INST, DGCM};
    std::vector<float> qThresholds{0.01f, 0.05f, 0.1f};
    std::int32_t cvConstant = 2;
    std::int32_t arOrder = 1;
    std::uint16_t firstTimePointInclusionThres = 100;
    bool verbose = true;
    std::int32_t numSurrogates = 1000;
    std::int32_t numDiscarded = 100;
    float dgcmItInstLowerThres = 0.05f;
    float dgcmRcUpperThres = 0.7f;
    bool separateSourceTargetVtcs = false;
    float mapScaleFactor = 100.0f;
};

// Reads settings lines from `in` into `settings`. Returns true when the whole
// stream was read without error; otherwise writes the reason to `errors` and
// returns false (values already read stay in `settings`; the caller restores
// the defaults).
bool readGcmSettings(std::istream& in, GcmSettings& settings, std::ostream& errors);

// The "Global parameter values" block at the head of every log file.
void writeGcmSettingsBlock(std::ostream& out, const GcmSettings& settings);

}  // namespace granger::core
