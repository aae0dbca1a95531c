#include "host/formats/bids_sidecar.h"

#include "host/formats/format_io.h"

#include <cmath>
#include <sstream>

namespace fs = std::filesystem;

namespace talvora::formats {

fs::path bidsSidecarPath(const fs::path& image) {
    std::string name = image.filename().string();
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* ext : {".nii.gz", ".nii"}) {
        const std::string e(ext);
        if (lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0) {
            name.resize(name.size() - e.size());
            break;
        }
    }
    return image.parent_path() / (name + ".json");
}

std::optional<nlohmann::json> readBidsSidecar(const fs::path& image) {
    const fs::path sidecar = bidsSidecarPath(image);
    if (!fs::exists(sidecar)) return std::nullopt;
    const nlohmann::json j = nlohmann::json::parse(readWholeFile(sidecar, kMaxHeaderBytes), nullptr, false);
    if (j.is_discarded() || !j.is_object()) fail(sidecar, "is not a JSON object");
    return j;
}

double repetitionTimeMs(const NiftiHeader& run, const ConvertRequest& r) {
    const fs::path sidecarPath = bidsSidecarPath(run.path);
    const auto sidecar = readBidsSidecar(run.path);
    const double fromHeader = run.timeStepMilliseconds();
    if (sidecar && sidecar->contains("RepetitionTime")) {
        const nlohmann::json& v = (*sidecar)["RepetitionTime"];
        if (!v.is_number() || !(v.get<double>() > 0) || !std::isfinite(v.get<double>()))
            fail(sidecarPath, "\"RepetitionTime\" must be a positive number of seconds");
        const double ms = v.get<double>() * 1000.0;
        std::ostringstream line;
        line << run.path.string() << ": TR " << ms << " ms from " << sidecarPath.filename().string();
        if (fromHeader > 0 && std::abs(fromHeader - ms) > 1e-3 * ms)
            line << " (its header says " << fromHeader << " ms; the sidecar wins)";
        r.say(line.str());
        return ms;
    }
    if (!(fromHeader > 0))
        fail(run.path, "has no TR: no \"RepetitionTime\" in " + sidecarPath.string() +
                           (sidecar ? "" : " (no such sidecar)") + " and pixdim[4] is " +
                           std::to_string(run.timeStep));
    std::ostringstream line;
    line << run.path.string() << ": TR " << fromHeader << " ms from pixdim[4]"
         << (run.timeUnits == 0 ? " (no time unit given: read as seconds)" : "");
    r.say(line.str());
    return fromHeader;
}

}  // namespace talvora::formats
