#include "granger/core/gcm_settings.h"

#include <algorithm>
#include <istream>
#include <limits>
#include <ostream>
#include <sstream>

namespace granger::core {

namespace {

const char* const kTypeKeys[] = {"REF2VOX", "VOX2REF", "INST", "DGCM", "DGCM_IT", "DGCM_RC"};

// Reads a number from the start of a token the way a stream does: the
// leading number counts, the rest of the token is ignored.
template <typename T>
bool leadingNumber(const std::string& token, T& value) {
    std::istringstream in(token);
    in >> value;
    return !in.fail();
}

struct KeyRange {
    const char* key;
    const char* rangeText;
};

bool insertMapType(const std::string& key, const std::string& typeKey, std::set<int>& types,
                   std::ostream& errors) {
    const int code = mapTypeCode(typeKey);
    if (code < 0) {
        errors << "Unknown type-string for '" << key << "' in VUVIrurar.ini: '" << typeKey << "'";
        return false;
    }
    types.insert(code);
    return true;
}

bool readQList(const std::string& key, std::istringstream& tokens, GcmSettings& s, std::ostream& errors) {
    std::vector<float> qs;
    std::string token;
    while (tokens >> token) {
        float q = 0.0f;
        if (!leadingNumber(token, q)) {
            errors << "Invalid entry for '" << key << "' in VUVIrurar.ini: '" << token << "'";
            return false;
        }
        if (q <= 0.0f || q >= 1.0f) {
            errors << "Invalid q-value for '" << key << "' in VUVIrurar.ini: " << q;
            return false;
        }
        qs.push_back(q);
    }
    if (qs.empty()) {
        errors << "No valid q-values for '" << key << "' found in VUVIrurar.ini";
        return false;
    }
    // Thresholds and their labels are kept in ascending order of q.
    std::sort(qs.begin(), qs.end());
    s.qThresholds = qs;
    return true;
}

void invalidValue(std::ostream& errors, const std::string& key, const std::string& shown, const char* range) {
    errors << "Invalid value for '" << key << "' in VUVIrurar.ini: " << shown << range;
}

template <typename T>
std::string shown(T v) {
    std::ostringstream o;
    o << v;
    return o.str();
}

// One key that takes a single value. Returns false with the error written.
bool readSingleValue(const std::string& key, const std::string& token, GcmSettings& s, std::ostream& errors) {
    const bool quoteToken = key == "CVConstantForFDR=";
    auto badEntry = [&] {
        errors << "Invalid entry for '" << key << "' in VUVIrurar.ini: ";
        if (quoteToken)
            errors << "'" << token << "'";
        else
            errors << token;
        return false;
    };
    const bool isFloat =
        key == "DGCM_ITInstLowerThres=" || key == "DGCM_RCUpperThres=" || key == "MapScaleFactor=";
    if (isFloat) {
        float v = 0.0f;
        if (!leadingNumber(token, v)) return badEntry();
        if (key == "DGCM_ITInstLowerThres=") {
            if (!(v > 0.0f))
                return invalidValue(errors, key, shown(v), " (must be >0, high values not recommended)"),
                       false;
            s.dgcmItInstLowerThres = v;
        } else if (key == "DGCM_RCUpperThres=") {
            if (!(v >= 0.0f && v < 1.0f))
                return invalidValue(errors, key, shown(v), " (valid range [0, 1) )"), false;
            s.dgcmRcUpperThres = v;
        } else {
            if (!(v >= 0.01f && v <= 1000.0f))
                return invalidValue(errors, key, shown(v), " (must be bewteen 0.01 and 1000, inclusive)"),
                       false;
            s.mapScaleFactor = v;
        }
        return true;
    }
    // The inclusion threshold is read wide so that a negative or too large
    // value gets its range message; every other key is a 32-bit integer (the
    // two flags too), and a number it cannot hold does not parse.
    long long v = 0;
    if (key == "FirstTimePointInclusionThres=") {
        if (!leadingNumber(token, v)) return badEntry();
    } else {
        std::int32_t narrow = 0;
        if (!leadingNumber(token, narrow)) return badEntry();
        v = narrow;
    }
    auto inRange = [&](long long lo, long long hi, const char* range) {
        if (v < lo || v > hi) {
            invalidValue(errors, key, shown(v), range);
            return false;
        }
        return true;
    };
    if (key == "CVConstantForFDR=") {
        if (!inRange(1, 2, " (must be 1 or 2)")) return false;
        s.cvConstant = static_cast<std::int32_t>(v);
    } else if (key == "AutoRegressionOrder=") {
        if (!inRange(1, 20, " (valid range 1 - 20)")) return false;
        s.arOrder = static_cast<std::int32_t>(v);
    } else if (key == "FirstTimePointInclusionThres=") {
        if (!inRange(0, std::numeric_limits<long long>::max(), " (must be >= 0)")) return false;
        // The threshold is compared with 16-bit values; a larger one is refused
        // rather than wrapped.
        if (!inRange(0, 65535, " (must be >= 0 and <= 65535)")) return false;
        s.firstTimePointInclusionThres = static_cast<std::uint16_t>(v);
    } else if (key == "ShowVerboseProgressLog=") {
        if (!inRange(0, 1, " (must be 0 or 1)")) return false;
        s.verbose = v == 1;
    } else if (key == "NumSurrogateSimulations=") {
        if (!inRange(10, 10000, " (valid range 10 - 10000)")) return false;
        s.numSurrogates = static_cast<std::int32_t>(v);
    } else if (key == "NumDiscardedSimulatedTimePoints=") {
        if (!inRange(10, 1000, " (valid range 10 - 1000)")) return false;
        s.numDiscarded = static_cast<std::int32_t>(v);
    } else if (key == "SeparateSourceTargetVTCs=") {
        if (!inRange(0, 1, " (must be 0 or 1)")) return false;
        s.separateSourceTargetVtcs = v == 1;
    }
    return true;
}

bool isValueKey(const std::string& key) {
    static const char* const keys[] = {"QThresholdsForFDR=",
                                       "CVConstantForFDR=",
                                       "AutoRegressionOrder=",
                                       "FirstTimePointInclusionThres=",
                                       "ShowVerboseProgressLog=",
                                       "NumSurrogateSimulations=",
                                       "NumDiscardedSimulatedTimePoints=",
                                       "DGCM_ITInstLowerThres=",
                                       "DGCM_RCUpperThres=",
                                       "SeparateSourceTargetVTCs=",
                                       "MapScaleFactor="};
    for (const char* k : keys)
        if (key == k) return true;
    return false;
}

}  // namespace

const char* mapTypeKey(int code) {
    return code >= 0 && code <= 5 ? kTypeKeys[code] : "";
}

int mapTypeCode(const std::string& key) {
    for (int i = 0; i <= 5; ++i)
        if (key == kTypeKeys[i]) return i;
    return -1;
}

bool readGcmSettings(std::istream& in, GcmSettings& s, std::ostream& errors) {
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream tokens(line);
        std::string key;
        tokens >> key;
        if (key.empty() || key.compare(0, 2, "//") == 0) continue;
        if (key == "MapTypesComputed=") {
            std::string ignored;
            while (tokens >> ignored) {
            }
            // Group preparation relies on every per-subject map file holding the
            // instantaneous map first and the difference map second.
            std::set<int> types;
            if (!insertMapType(key, "INST", types, errors) || !insertMapType(key, "DGCM", types, errors))
                return false;
            s.mapTypes = types;
            continue;
        }
        if (key == "QThresholdsForFDR=") {
            if (!readQList(key, tokens, s, errors)) return false;
            continue;
        }
        if (!isValueKey(key)) {
            errors << "Unknown entry in VUVIrurar.ini: '" << key << "'";
            return false;
        }
        std::string token;
        if (!(tokens >> token)) {
            errors << "No valid entry for '" << key << "' found in VUVIrurar.ini";
            return false;
        }
        if (!readSingleValue(key, token, s, errors)) return false;
    }
    return true;
}

void writeGcmSettingsBlock(std::ostream& out, const GcmSettings& s) {
    out << "Created by GCM-plugin version "
        << "2.7"
        << "\n\n";
    out << "Global parameter values \n";
    out << "------------------------\n";
    out << "MapTypesComputed= ";
    for (int t : s.mapTypes) out << mapTypeKey(t) << " ";
    out << "\n";
    out << "DGCM_ITInstLowerThres= " << s.dgcmItInstLowerThres << "\n";
    out << "QThresholdsForFDR= ";
    for (float q : s.qThresholds) out << q << " ";
    out << "\n";
    out << "CVConstantForFDR= " << s.cvConstant << "\n";
    out << "ShowVerboseProgressLog= " << (s.verbose ? 1 : 0) << "\n";
    out << "MapScaleFactor= " << s.mapScaleFactor << "\n";
    out << "AutoRegressionOrder= " << s.arOrder << "\n";
    out << "FirstTimePointInclusionThres= " << s.firstTimePointInclusionThres << "\n";
    out << "NumSurrogateSimulations= " << s.numSurrogates << "\n";
    out << "NumDiscardedSimulatedTimePoints= " << s.numDiscarded << "\n";
    out << "\n";
}

}  // namespace granger::core
