#include "granger/plugin/VUVIrurar.h"

#include "frame/plugin_hosts.h"
#include "granger/core/gcm_random.h"
#include "granger/plugin/host_calls.h"

#include <cstdio>
#include <cstring>

namespace granger::plugin {

namespace {

const char* const kNoVmr =
    "<b>No VMR</b><br>The GCM-plugin requires a VMR to operate. Make sure that a VMR is open "
    "and that its window is selected.";

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A parameter name such as "NameOfVOI-%i" filled with a 1-based index.
std::string indexed(const char* format, int i) {
    char name[128];
    std::snprintf(name, sizeof name, format, i);
    return name;
}

std::string subjectMapName(const char* format, const std::string& subject) {
    char name[tl::kMapNameCapacity];
    std::snprintf(name, sizeof name, format, subject.c_str());
    return name;
}

// Renames map `index` of the host's set.
bool renameMap(int index, const std::string& name) {
    tl::NRVMPRecord record;
    std::memset(&record, 0, sizeof record);
    if (!mapValues(index, record) || !record.name) return false;
    std::snprintf(record.name, tl::kMapNameCapacity, "%s", name.c_str());
    return setMapParameters(index, record);
}

// A test host may fix the calendar clock that seeds the surrogates, so that
// whole runs are reproducible; Talvora itself has no such function and the
// real clock is used.
using FixedClockFunction = decltype(tl::HostTable::talvoraFixedClock);
FixedClockFunction g_hostClock = nullptr;

std::time_t hostClockSeconds() {
    const long long fixed = g_hostClock ? g_hostClock() : -1;
    return fixed >= 0 ? static_cast<std::time_t>(fixed) : std::time(nullptr);
}

void useHostClockIfFixed() {
    g_hostClock = tl::g_causalisAccess.fixedClock();
    core::setGcmClock(g_hostClock ? hostClockSeconds : nullptr);
}

}  // namespace

bool VUVIrurar::initPlugin() {
    if (!tl::g_causalisAccess.bind()) return false;
    useHostClockIfFixed();
    return tl::g_causalisAccess.versionAccepted();
}

bool VUVIrurar::execute() {
    std::string command = stringParameter(tl::deliverables::kCausalisPlugin.form.command);
    if (command.size() > 255) command.resize(255);
    if (command == "StartCheck") return startCheck();
    if (command == "GetCondsOfVTCProtocol") return conditionsOfProtocol();
    if (command == "PrepareForANCOVA") return prepareForAncova();
    if (command == "RunGCM") return runGcm();
    return false;
}

bool VUVIrurar::startCheck() {
    if (!currentVMR()) {
        message(kNoVmr);
        return false;
    }
    basePath_ = folderOf(vmrPath());
    logRaw("Base path for resulting group maps:");
    logRaw(basePath_);
    logRaw(" ");
    const std::string voiFile = stringParameter("VOIFile");
    if (voiFile.size() > 3) loadVOIs(voiFile);
    tl::VOISetRecord set;
    if (!vois(set)) {
        setIntParameter("NrOfVOIsAvailable", 0);
        return true;
    }
    setIntParameter("NrOfVOIsAvailable", set.nrOfVOIs);
    for (int i = 0; i < set.nrOfVOIs; ++i) {
        tl::VOIRecord voi;
        plugin::voi(i, voi);
        setStringParameter(indexed("NameOfVOI-%i", i + 1).c_str(), voi.name);
    }
    return true;
}

bool VUVIrurar::conditionsOfProtocol() {
    const std::string vtcFile = stringParameter("VTCFile");
    if (vtcFile.size() < 3) return false;
    linkVTC(vtcFile);
    tl::ProtocolRecord protocol;
    if (!plugin::protocol(protocol) || protocol.nrOfConditions < 1) return false;
    setIntParameter("NrOfConditions", protocol.nrOfConditions);
    for (int i = 0; i < protocol.nrOfConditions; ++i) {
        tl::ProtocolConditionRecord condition;
        protocolCondition(i, condition);
        condition.name[sizeof condition.name - 1] = '\0';
        setStringParameter(indexed("CondName-%i", i + 1).c_str(), condition.name);
    }
    return true;
}

bool VUVIrurar::prepareForAncova() {
    const int n = intParameter("NrOfSubjects");
    const int method = intParameter("SelectedTimeWindowMethod");
    const bool subjectVois = intParameter("SubjectSpecificVOIs") != 0;
    const char* const subjectPattern = method == 1 ? "%s%s_RUNCOND-%s_VOI-%s.gcm" : "%s%s_COND-%s_VOI-%s.gcm";
    // Two passes: instantaneous maps, then difference maps. Each subject file
    // holds both, the instantaneous map first.
    for (int pass = 0; pass < 2; ++pass) {
        const bool inst = pass == 0;
        for (int s = 1; s <= n; ++s) {
            subjectId_ = stringParameter(indexed("SubjID-%i", s).c_str());
            const std::string folder = folderOf(stringParameter(indexed("SubjDataFolder-%i", s).c_str()));
            if (subjectVois) voiName_ = stringParameter(indexed("SubjVOIName-%i", s).c_str());
            char file[4096];
            std::snprintf(file, sizeof file, subjectPattern, folder.c_str(), subjectId_.c_str(),
                          conditionName_.c_str(), voiName_.c_str());
            const bool loaded = s == 1 ? loadMaps(file) : addMaps(file);
            // A group file that silently lacks a subject would bias the group
            // analysis: stop and name the file instead.
            if (!loaded) {
                message(std::string(
                            "<b>Group preparation stopped</b><br>Could not load the map file of subject ") +
                        subjectId_ + ": " + file + "<br>No group map file was saved.");
                return false;
            }
            const bool ok =
                deleteMap(inst ? s : s - 1) &&
                renameMap(s - 1, subjectMapName(inst ? "Subject %s: INST" : "Subject %s: dGCM", subjectId_));
            if (!ok) {
                message(std::string("<b>Group preparation stopped</b><br>The map file of subject ") +
                        subjectId_ + " does not hold an instantaneous and a difference map: " + file +
                        "<br>No group map file was saved.");
                return false;
            }
        }
        char group[4096];
        const char* groupPattern = inst ? (method == 1 ? "%sRFX-INST_N%i_RUNCOND-%s_VOI-%s.vmp"
                                                       : "%sRFX-INST_N%i_COND-%s_VOI-%s.vmp")
                                        : (method == 1 ? "%sRFX-dGCM_N%i_RUNCOND-%s_VOI-%s.vmp"
                                                       : "%sRFX-dGCM_N%i_COND-%s_VOI-%s.vmp");
        std::snprintf(group, sizeof group, groupPattern, basePath_.c_str(), n, conditionName_.c_str(),
                      voiName_.c_str());
        if (!saveMaps(group)) {
            message(std::string("<b>Group preparation stopped</b><br>Could not save the group map file: ") +
                    group);
            return false;
        }
    }
    return true;
}

}  // namespace granger::plugin
