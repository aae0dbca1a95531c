#include "host/bids/bids_sidecar.h"

#include "host/formats/format_io.h"

#include <cmath>

namespace talvora::bids {
namespace fs = std::filesystem;

nlohmann::json readJsonObject(const fs::path& sidecar, const std::string& neededFor) {
    std::error_code ec;
    if (!fs::exists(sidecar, ec)) formats::fail(sidecar, "no such file (needed for " + neededFor + ")");
    const std::string text = formats::readWholeFile(sidecar, formats::kMaxHeaderBytes);
    nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) formats::fail(sidecar, "is not a JSON object");
    return j;
}

std::optional<double> positiveNumber(const nlohmann::json& object, const fs::path& file,
                                     const std::string& key) {
    if (!object.contains(key)) return std::nullopt;
    const nlohmann::json& v = object[key];
    if (!v.is_number() || !std::isfinite(v.get<double>()) || v.get<double>() <= 0.0)
        formats::fail(file, "\"" + key + "\" must be a positive number, not " + v.dump());
    return v.get<double>();
}

PhaseEncoding readPhaseEncoding(const nlohmann::json& sidecar, const fs::path& file) {
    if (!sidecar.contains("PhaseEncodingDirection"))
        formats::fail(file,
                      "has no \"PhaseEncodingDirection\" (i, i-, j or j-): the distortion correction "
                      "needs the phase-encoding axis and sign of every series");
    const nlohmann::json& v = sidecar["PhaseEncodingDirection"];
    const std::string text = v.is_string() ? v.get<std::string>() : v.dump();
    PhaseEncoding pe;
    pe.text = text;
    if (text == "i" || text == "i-")
        pe.axis = 0;
    else if (text == "j" || text == "j-")
        pe.axis = 1;
    else if (text == "k" || text == "k-")
        formats::fail(file, "\"PhaseEncodingDirection\" \"" + text +
                                "\" runs along the slices; the distortion correction works along i or j");
    else
        formats::fail(file, "\"PhaseEncodingDirection\" must be i, i-, j or j-, not " + v.dump());
    pe.negative = text.size() == 2;
    return pe;
}

}  // namespace talvora::bids
