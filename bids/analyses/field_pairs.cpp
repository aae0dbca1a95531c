#include "bids/analyses/field_pairs.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

#include "bids/layout/metadata.h"

namespace bids::analyses {
namespace {

using nlohmann::json;

// A key that holds one string or a list of strings ("B0FieldIdentifier",
// "B0FieldSource", "IntendedFor").
std::vector<std::string> stringsOf(const json& metadata, const char* key) {
    std::vector<std::string> values;
    const auto found = metadata.find(key);
    if (found == metadata.end()) return values;
    if (found->is_string()) values.push_back(found->get<std::string>());
    if (found->is_array())
        for (const auto& item : *found)
            if (item.is_string()) values.push_back(item.get<std::string>());
    return values;
}

std::string fileList(const std::vector<const FieldSeries*>& series) {
    std::string text;
    for (const auto* s : series) text += (text.empty() ? "" : ", ") + s->epi.path.string();
    return text;
}

// The name without `dir`: the two series of a pair named by their direction
// share it.
std::string nameWithoutDir(const layout::FileName& name) {
    layout::FileName rest = name;
    rest.entities.erase(std::remove_if(rest.entities.begin(), rest.entities.end(),
                                       [](const layout::Entity& e) { return e.key == "dir"; }),
                        rest.entities.end());
    return rest.str();
}

FieldSeries readSeries(const layout::Dataset& dataset, const layout::DataFile& epi) {
    FieldSeries series;
    series.epi = epi;
    try {
        series.metadata = layout::sidecarFor(dataset, epi);
    } catch (const layout::DatasetError& e) {
        throw std::runtime_error(e.what());
    }
    series.encoding = readEncoding(series.metadata, epi.path.string());
    const auto readout = series.metadata.find("TotalReadoutTime");
    if (readout == series.metadata.end())
        throw std::runtime_error(epi.path.string() +
                                 ": no \"TotalReadoutTime\" in its sidecar; the field in Hz needs it");
    if (!readout->is_number() || !(readout->get<double>() > 0) || !std::isfinite(readout->get<double>()))
        throw std::runtime_error(epi.path.string() +
                                 ": \"TotalReadoutTime\" must be a positive number of seconds");
    series.readoutSeconds = readout->get<double>();
    return series;
}

bool sameReadout(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max(a, b);
}

FieldPair makePair(const FieldSeries& a, const FieldSeries& b, const std::string& identifier) {
    const bool ordered = a.epi.relative < b.epi.relative;
    FieldPair pair{ordered ? a : b, ordered ? b : a, identifier, {}};
    const auto& x = pair.first.encoding;
    const auto& y = pair.second.encoding;
    if (x.axis != y.axis || x.negative == y.negative)
        throw std::runtime_error(pair.first.epi.path.string() + " and " + pair.second.epi.path.string() +
                                 ": \"PhaseEncodingDirection\" \"" + x.text + "\" and \"" + y.text +
                                 "\" are not opposite; a pair needs i with i- or j with j-");
    if (!sameReadout(pair.first.readoutSeconds, pair.second.readoutSeconds))
        throw std::runtime_error(
            pair.first.epi.path.string() + " and " + pair.second.epi.path.string() +
            ": \"TotalReadoutTime\" differs (" + std::to_string(pair.first.readoutSeconds) + " and " +
            std::to_string(pair.second.readoutSeconds) + " s); the pair's field needs one readout time");
    return pair;
}

std::vector<FieldPair> formPairs(const std::vector<FieldSeries>& series) {
    std::map<std::string, std::vector<const FieldSeries*>> byIdentifier, byName;
    for (const auto& s : series) {
        const auto identifiers = stringsOf(s.metadata, "B0FieldIdentifier");
        for (const auto& id : identifiers) byIdentifier[id].push_back(&s);
        if (identifiers.empty()) byName[nameWithoutDir(s.epi.name)].push_back(&s);
    }
    std::vector<FieldPair> pairs;
    for (const auto& [id, members] : byIdentifier) {
        if (members.size() != 2)
            throw std::runtime_error(fileList(members) + ": \"B0FieldIdentifier\" \"" + id +
                                     "\" is given to " + std::to_string(members.size()) +
                                     " EPI series; a pair needs exactly two, encoded in opposite directions");
        pairs.push_back(makePair(*members[0], *members[1], id));
    }
    for (const auto& [name, members] : byName) {
        if (members.size() != 2)
            throw std::runtime_error(
                fileList(members) + ": " +
                (members.size() == 1
                     ? "no opposite series to pair it with"
                     : std::to_string(members.size()) + " series share one name but for `dir`") +
                " (pairs are named alike but for the dir entity, or share a \"B0FieldIdentifier\")");
        pairs.push_back(makePair(*members[0], *members[1], ""));
    }
    std::sort(pairs.begin(), pairs.end(), [](const FieldPair& a, const FieldPair& b) {
        return a.first.epi.relative < b.first.epi.relative;
    });
    return pairs;
}

// An "IntendedFor" entry as a path relative to the dataset root: BIDS URIs
// "bids::sub-01/func/..." and the older paths relative to the participant's
// folder ("func/..."); URIs into other datasets name none of these runs.
std::string intendedPath(const std::string& entry, const std::string& label) {
    if (entry.rfind("bids::", 0) == 0) return entry.substr(6);
    if (entry.rfind("bids:", 0) == 0) return "";
    return "sub-" + label + "/" + entry;
}

bool intends(const FieldPair& pair, const app::Run& run, const std::string& label) {
    const std::string path = run.bold.relative.generic_string();
    for (const auto* s : {&pair.first, &pair.second})
        for (const auto& entry : stringsOf(s->metadata, "IntendedFor"))
            if (intendedPath(entry, label) == path) return true;
    return false;
}

bool namesRuns(const FieldPair& pair) {
    return !pair.identifier.empty() || !stringsOf(pair.first.metadata, "IntendedFor").empty() ||
           !stringsOf(pair.second.metadata, "IntendedFor").empty();
}

// The pairs a run is for, by the first rule that names any.
std::vector<std::size_t> pairsForRun(const std::vector<FieldPair>& pairs, const app::Run& run,
                                     const std::string& label) {
    std::vector<std::size_t> found;
    const auto sources = stringsOf(run.metadata, "B0FieldSource");
    for (std::size_t p = 0; p < pairs.size(); ++p)
        if (!pairs[p].identifier.empty() &&
            std::find(sources.begin(), sources.end(), pairs[p].identifier) != sources.end())
            found.push_back(p);
    if (!found.empty() || !sources.empty()) return found;
    for (std::size_t p = 0; p < pairs.size(); ++p)
        if (intends(pairs[p], run, label)) found.push_back(p);
    if (!found.empty()) return found;
    const std::string session = run.bold.name.get("ses");
    for (std::size_t p = 0; p < pairs.size(); ++p)
        if (pairs[p].first.epi.name.get("ses") == session) found.push_back(p);
    if (found.size() == 1 && !namesRuns(pairs[found.front()])) return found;
    return {};
}

}  // namespace

Encoding readEncoding(const json& metadata, const std::string& file) {
    const auto found = metadata.find("PhaseEncodingDirection");
    if (found == metadata.end() || !found->is_string())
        throw std::runtime_error(file +
                                 ": no \"PhaseEncodingDirection\" in its sidecar; the distortion "
                                 "correction needs it");
    Encoding e;
    e.text = found->get<std::string>();
    if (e.text == "i" || e.text == "i-" || e.text == "j" || e.text == "j-") {
        e.axis = e.text[0] == 'i' ? 0 : 1;
        e.negative = e.text.size() == 2;
        return e;
    }
    throw std::runtime_error(file + ": \"PhaseEncodingDirection\" \"" + e.text +
                             "\" cannot be corrected (i, i-, j or j-)");
}

FieldPlan pairFieldMaps(const layout::Dataset& dataset, const std::string& label,
                        const std::vector<app::Run>& runs) {
    const auto epis = dataset.find(label, "epi", layout::imageExtensions());
    if (epis.empty())
        throw std::runtime_error((dataset.root / ("sub-" + label)).string() +
                                 " has no field-map pair (fmap/*_epi.nii[.gz] in opposite phase-encoding "
                                 "directions); the distortion analysis needs one");
    std::vector<FieldSeries> series;
    for (const auto& epi : epis) series.push_back(readSeries(dataset, epi));
    FieldPlan plan;
    plan.pairs = formPairs(series);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const auto found = pairsForRun(plan.pairs, runs[r], label);
        if (found.size() > 1)
            throw std::runtime_error(runs[r].bold.path.string() +
                                     ": more than one field-map pair is for this run (" +
                                     plan.pairs[found[0]].first.epi.path.string() + " and " +
                                     plan.pairs[found[1]].first.epi.path.string() + ")");
        if (found.empty())
            plan.uncorrected.push_back(r);
        else
            plan.pairs[found.front()].runs.push_back(r);
    }
    return plan;
}

int seriesForRun(const FieldPair& pair, const app::Run& run) {
    const std::string file = run.bold.path.string();
    const Encoding e = readEncoding(run.metadata, file);
    const std::string pairNames = pair.first.epi.path.string() + " and " + pair.second.epi.path.string();
    if (e.axis != pair.first.encoding.axis)
        throw std::runtime_error(file + ": \"PhaseEncodingDirection\" \"" + e.text +
                                 "\" lies along another axis than " + pairNames + " (\"" +
                                 pair.first.encoding.text + "\", \"" + pair.second.encoding.text + "\")");
    const auto readout = run.metadata.find("TotalReadoutTime");
    if (readout == run.metadata.end() || !readout->is_number())
        throw std::runtime_error(file + ": no \"TotalReadoutTime\" in its sidecar; the field of " +
                                 pairNames + " displaces it by the field times its readout time");
    if (!sameReadout(readout->get<double>(), pair.first.readoutSeconds))
        throw std::runtime_error(file + ": \"TotalReadoutTime\" " + std::to_string(readout->get<double>()) +
                                 " s differs from the " + std::to_string(pair.first.readoutSeconds) +
                                 " s of " + pairNames + "; their displacement would not be the run's");
    return e.negative == pair.first.encoding.negative ? 0 : 1;
}

}  // namespace bids::analyses
