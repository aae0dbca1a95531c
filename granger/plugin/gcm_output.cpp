#include "granger/plugin/gcm_output.h"

#include "frame/grid.h"
#include "granger/core/fdr.h"
#include "granger/io/log_file.h"
#include "granger/plugin/host_calls.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace granger::plugin {

namespace {

constexpr int kGcmMapType = 101;

void putColor(std::uint8_t* field, const core::Rgb& c) {
    field[0] = c[0];
    field[1] = c[1];
    field[2] = c[2];
    field[3] = 0;
}

}  // namespace

void deleteMaps() {
    deleteAllMaps();
}

core::Outcome createMapSet(const RunDescription& run) {
    const core::GcmSettings& s = run.settings;
    const core::RunGeometry& g = run.geometry;
    deleteMaps();
    char line[256];
    std::snprintf(line, sizeof line, "gcm_pars dims: xs: %i xe: %i  ys: %i ye: %i  zs: %i ze: %i", g.xStart,
                  g.xEnd, g.yStart, g.yEnd, g.zStart, g.zEnd);
    logRaw(line);
    const int nrOfMaps = static_cast<int>(run.conditions.size() * s.mapTypes.size());
    if (nrOfMaps < 1) {
        return core::Outcome::invalid(
            "An invalid number of maps have to be computed: " + std::to_string(nrOfMaps) + "\n" +
            "Number of conditions, and/or number of map types were possibly invalid");
    }
    tl::NRVMPSetRecord set;
    std::memset(&set, 0, sizeof set);
    set.nrOfThresholds = static_cast<std::int32_t>(s.qThresholds.size());
    tl::copyGridBox(g, set);
    if (!createMaps(nrOfMaps, 0, static_cast<int>(s.qThresholds.size()), set)) {
        return core::Outcome::terminal("Could not create a volume map structure to write GCM results");
    }
    if (!readMaps(set)) {
        return core::Outcome::terminal(
            "Could not get access to created volume map structure for writing GCM results");
    }
    for (std::size_t i = 0; i < s.qThresholds.size() && set.thresholdLabels; ++i) {
        if (set.thresholdLabels[i])
            std::snprintf(set.thresholdLabels[i], tl::kMapNameCapacity, "thres q=%1.3f", s.qThresholds[i]);
    }
    return core::Outcome::done();
}

core::Outcome storeConditionMaps(const RunDescription& run, std::size_t conditionIndex,
                                 const std::string& voiName, const core::ResultVolumes& results) {
    const core::GcmSettings& s = run.settings;
    const std::string& condition = run.conditions[conditionIndex].name;
    const std::size_t voxels = results.ref2vox.size();
    if (s.cvConstant != 1 && s.cvConstant != 2) {
        return core::Outcome::terminal("Unknown value for cVconst: " + std::to_string(s.cvConstant) +
                                       " , only 1 or 2 allowed");
    }
    int position = 0;
    for (int type : s.mapTypes) {
        const int index = static_cast<int>(conditionIndex * s.mapTypes.size()) + position++;
        std::vector<float> values, null;
        bool hasNull = true;
        core::MapDisplay display;
        if (!core::buildMapValues(type, results, s, values, null, hasNull) ||
            !core::mapDisplay(type, condition, 0.0f, s, display)) {
            return core::Outcome::terminal("ERROR : Unknown GCM map-type encountered");
        }
        tl::NRVMPRecord record;
        std::memset(&record, 0, sizeof record);
        float* data = mapValues(index, record);
        if (!data) {
            return core::Outcome::terminal("Failed to retrieve an allocated CMP map-pointer for VOI '" +
                                           voiName + "', Condition '" + condition + "'");
        }
        std::copy(values.begin(), values.end(), data);
        if (display.setsFdrThresholds) {
            const std::vector<float> thresholds =
                core::fdrThresholds(values.data(), null.data(), voxels, s.qThresholds, s.cvConstant);
            core::mapDisplay(type, condition, thresholds.empty() ? 0.0f : thresholds.front(), s, display);
            if (record.fdrThresholds) std::copy(thresholds.begin(), thresholds.end(), record.fdrThresholds);
        }
        if (record.name) std::snprintf(record.name, tl::kMapNameCapacity, "%s", display.name.c_str());
        record.mapType = kGcmMapType;
        record.lowerThreshold = display.lower;
        record.upperThreshold = display.upper;
        putColor(record.colorPositiveLow, display.positiveLow);
        putColor(record.colorPositiveHigh, display.positiveHigh);
        putColor(record.colorNegativeLow, display.negativeLow);
        putColor(record.colorNegativeHigh, display.negativeHigh);
        record.useColors = 1;
        setMapParameters(index, record);
    }
    return core::Outcome::done();
}

std::string outputBase(const RunDescription& run, const std::string& voiName) {
    std::string reference = run.firstVtcParameter;
    if (reference.empty() && !run.conditions.empty() && !run.conditions.front().entries.empty())
        reference = run.conditions.front().entries.front().targetPath;
    const std::size_t slash = reference.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : reference.substr(0, slash + 1);
    return folder + run.outputBaseName + "_VOI-" + voiName;
}

core::Outcome writeVoiOutput(const std::string& base, const std::string& logText) {
    const std::string mapFile = base + ".gcm";
    if (!saveMaps(mapFile)) {
        return core::Outcome::terminal("Could not save the map file: " + mapFile);
    }
    std::vector<char> line(2 * base.size() + 64);
    std::snprintf(line.data(), line.size(), "%s\n%s Written data: %s%s", "GCM>", "GCM>", base.c_str(),
                  ".gcm");
    logRaw(line.data());
    const std::string logFile = base + ".log";
    try {
        io::writeLogFile(logFile, logText);
        std::snprintf(line.data(), line.size(), "%s Written  log: %s%s", "GCM>", base.c_str(), ".log");
        logRaw(line.data());
    } catch (const std::exception& e) {
        // The maps are saved; a missing log file must not go unnoticed.
        logLine(std::string("WARNING: Could not write the log file: ") + e.what());
    }
    return core::Outcome::done();
}

}  // namespace granger::plugin
