#include "granger/gcm_output.h"

#include "frame/atomic_file.h"
#include "granger/core/fdr.h"
#include "granger/host_calls.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace gcm {

namespace {

constexpr int kGcmMapType = 101;

void putColor(std::uint8_t* field, const granger::Rgb& c) {
    field[0] = c[0];
    field[1] = c[1];
    field[2] = c[2];
    field[3] = 0;
}

}  // namespace

void deleteMaps() {
    deleteAllMaps();
}

int createMapSet(const RunDescription& run, std::ostream& errors) {
    const granger::GcmSettings& s = run.settings;
    deleteMaps();
    char line[256];
    std::snprintf(line, sizeof line, "gcm_pars dims: xs: %i xe: %i  ys: %i ye: %i  zs: %i ze: %i", s.xStart,
                  s.xEnd, s.yStart, s.yEnd, s.zStart, s.zEnd);
    logRaw(line);
    const int nrOfMaps = static_cast<int>(run.conditions.size() * s.mapTypes.size());
    if (nrOfMaps < 1) {
        errors << "An invalid number of maps have to be computed: " << nrOfMaps << "\n"
               << "Number of conditions, and/or number of map types were possibly invalid";
        return 2;
    }
    tl::NRVMPSetRecord set;
    std::memset(&set, 0, sizeof set);
    set.nrOfThresholds = static_cast<std::int32_t>(s.qThresholds.size());
    set.xStart = s.xStart;
    set.xEnd = s.xEnd;
    set.yStart = s.yStart;
    set.yEnd = s.yEnd;
    set.zStart = s.zStart;
    set.zEnd = s.zEnd;
    set.resolution = s.resolution;
    if (!createMaps(nrOfMaps, 0, static_cast<int>(s.qThresholds.size()), set)) {
        errors << "Could not create a volume map structure to write GCM results";
        return 3;
    }
    if (!readMaps(set)) {
        errors << "Could not get access to created volume map structure for writing GCM results";
        return 3;
    }
    for (std::size_t i = 0; i < s.qThresholds.size() && set.thresholdLabels; ++i) {
        if (set.thresholdLabels[i])
            std::snprintf(set.thresholdLabels[i], tl::kMapNameCapacity, "thres q=%1.3f", s.qThresholds[i]);
    }
    return 1;
}

int storeConditionMaps(const RunDescription& run, int conditionIndex, const std::string& voiName,
                       const granger::ResultVolumes& results, std::ostream& errors) {
    const granger::GcmSettings& s = run.settings;
    const std::string& condition = run.conditions[static_cast<std::size_t>(conditionIndex)].name;
    const std::size_t voxels = results.ref2vox.size();
    if (s.cvConstant != 1 && s.cvConstant != 2) {
        errors << "Unknown value for cVconst: " << s.cvConstant << " , only 1 or 2 allowed";
        return 3;
    }
    int position = 0;
    for (int type : s.mapTypes) {
        const int index = conditionIndex * static_cast<int>(s.mapTypes.size()) + position++;
        std::vector<float> values, null;
        bool hasNull = true;
        granger::MapDisplay display;
        if (!granger::buildMapValues(type, results, s, values, null, hasNull) ||
            !granger::mapDisplay(type, condition, 0.0f, s, display)) {
            errors << "ERROR : Unknown GCM map-type encountered";
            return 3;
        }
        tl::NRVMPRecord record;
        std::memset(&record, 0, sizeof record);
        float* data = mapValues(index, record);
        if (!data) {
            errors << "Failed to retrieve an allocated CMP map-pointer for VOI '" << voiName
                   << "', Condition '" << condition << "'";
            return 3;
        }
        std::copy(values.begin(), values.end(), data);
        if (display.setsFdrThresholds) {
            const std::vector<float> thresholds =
                granger::fdrThresholds(values.data(), null.data(), voxels, s.qThresholds, s.cvConstant);
            granger::mapDisplay(type, condition, thresholds.empty() ? 0.0f : thresholds.front(), s, display);
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
    return 1;
}

std::string outputBase(const RunDescription& run, const std::string& voiName) {
    std::string reference = run.firstVtcParameter;
    if (reference.empty() && !run.conditions.empty() && !run.conditions.front().entries.empty())
        reference = run.conditions.front().entries.front().targetPath;
    const std::size_t slash = reference.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : reference.substr(0, slash + 1);
    return folder + run.settings.outputBaseName + "_VOI-" + voiName;
}

int writeVoiOutput(const std::string& base, const std::string& logText, std::ostream& errors) {
    const std::string mapFile = base + ".gcm";
    if (!saveMaps(mapFile)) {
        errors << "Could not save the map file: " << mapFile;
        return 3;
    }
    std::vector<char> line(2 * base.size() + 64);
    std::snprintf(line.data(), line.size(), "%s\n%s Written data: %s%s", "GCM>", "GCM>", base.c_str(),
                  ".gcm");
    logRaw(line.data());
    const std::string logFile = base + ".log";
    try {
        tl::writeFileAtomically(logFile, [&](std::ostream& out) { out << logText; });
        std::snprintf(line.data(), line.size(), "%s Written  log: %s%s", "GCM>", base.c_str(), ".log");
        logRaw(line.data());
    } catch (const std::exception& e) {
        // The maps are saved; a missing log file must not go unnoticed.
        logLine(std::string("WARNING: Could not write the log file: ") + e.what());
    }
    return 1;
}

}  // namespace gcm
