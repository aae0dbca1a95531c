#include "granger/plugin/host_calls.h"

#include "frame/plugin_hosts.h"

#include <cstring>

namespace granger::plugin {

namespace {
using F = tl::HostFunction;
const tl::HostAccess& host = tl::g_causalisAccess;
}  // namespace

// A function the host does not export counts as a failed call: nothing is
// shown, and the caller gets an empty text, 0 or false.

void logRaw(const std::string& text) {
    if (auto log = host.optional<F::hxLogText>()) log(text.c_str());
}

void logLine(const std::string& text) {
    std::string out = "// GCM> ";
    for (char c : text) {
        out.push_back(c);
        if (c == '\n') out += "// GCM> ";
    }
    logRaw(out);
}

void message(const std::string& text) {
    if (auto box = host.optional<F::hxMessageBox>()) box(text.c_str());
}

void showLogTab() {
    if (auto show = host.optional<F::hxShowLogTab>()) show();
}

void busy(bool on) {
    auto cursor = on ? host.optional<F::hxShowBusyCursor>() : host.optional<F::hxStopBusyCursor>();
    if (cursor) cursor();
}

std::string stringParameter(const char* name) {
    // The form's texts are at most 255 characters long for COMMAND, longer for paths.
    return host.readText<F::hxGetStringParameter>(host.deliverable().form.stringBuffer, name);
}

int intParameter(const char* name) {
    auto get = host.optional<F::hxGetIntParameter>();
    return get ? get(name) : 0;
}

void setStringParameter(const char* name, const std::string& value) {
    if (auto set = host.optional<F::hxSetStringParameter>()) set(name, value.c_str());
}

void setIntParameter(const char* name, int value) {
    if (auto set = host.optional<F::hxSetIntParameter>()) set(name, value);
}

int integerInput(const std::string& prompt, int defaultValue, int minimum, int maximum) {
    auto ask = host.optional<F::hxGetIntegerInput>();
    return ask ? ask(prompt.c_str(), defaultValue, minimum, maximum) : minimum - 1;
}

std::string openFileName(const std::string& title, const std::string& filter) {
    std::string path;
    host.readAnswer<F::hxGetOpenFileName>(path, tl::kPathCapacity, title.c_str(), "", filter.c_str());
    return path;
}

std::string pluginsPath() {
    return host.readText<F::hxGetPluginsPath>(tl::kPathCapacity);
}

bool currentVMR() {
    int x = 0, y = 0, z = 0;
    auto get = host.optional<F::hxGetCurrentVMR>();
    return get && get(&x, &y, &z) != 0;
}

std::string vmrPath() {
    auto get = host.optional<F::hxGetMainHeaderOfCurrentVMR>();
    if (!get) return {};
    tl::VMRMainHeaderRecord header{};
    if (!get(&header)) return {};
    header.path[sizeof header.path - 1] = '\0';
    return header.path;
}

bool linkVTC(const std::string& path) {
    auto link = host.optional<F::hxLinkVTCToCurrentVMR>();
    return link && link(path.c_str(), 0) != 0;
}

bool currentVTC(tl::VTCHeaderRecord& record) {
    std::memset(&record, 0, sizeof record);
    record.present = -1;
    auto get = host.optional<F::hxGetVTCOfCurrentVMR>();
    if (!get) return false;
    get(&record);
    return record.present != -1;
}

bool setVTCParameters(tl::VTCHeaderRecord& record) {
    auto set = host.optional<F::hxSetVTCParametersOfCurrentVMR>();
    return set && set(&record) != 0;
}

bool protocol(tl::ProtocolRecord& record) {
    std::memset(&record, 0, sizeof record);
    auto get = host.optional<F::hxGetProtocol>();
    return get && get(&record) != 0;
}

bool protocolCondition(int index, tl::ProtocolConditionRecord& record) {
    std::memset(&record, 0, sizeof record);
    auto get = host.optional<F::hxGetProtocolCondition>();
    return get && get(index, &record) != 0;
}

bool loadVOIs(const std::string& path) {
    auto load = host.optional<F::hxLoadVOIs>();
    return load && load(path.c_str()) != 0;
}

bool vois(tl::VOISetRecord& record) {
    std::memset(&record, 0, sizeof record);
    auto get = host.optional<F::hxGetVOIs>();
    return get && get(&record) != 0;
}

const int* voi(int index, tl::VOIRecord& record) {
    std::memset(&record, 0, sizeof record);
    auto get = host.optional<F::hxGetVOI>();
    if (!get) return nullptr;
    const int* voxels = get(index, &record);
    record.name[sizeof record.name - 1] = '\0';
    return voxels;
}

bool deleteAllMaps() {
    auto remove = host.optional<F::hxDeleteNRVMPsOfCurrentVMR>();
    return remove && remove() != 0;
}

bool createMaps(int nrOfMaps, int option, int nrOfThresholds, tl::NRVMPSetRecord& set) {
    auto create = host.optional<F::hxCreateNRVMPsForCurrentVMR>();
    return create && create(nrOfMaps, option, nrOfThresholds, &set) != 0;
}

bool readMaps(tl::NRVMPSetRecord& set) {
    auto get = host.optional<F::hxGetNRVMPsOfCurrentVMR>();
    return get && get(&set) != 0;
}

float* mapValues(int index, tl::NRVMPRecord& record) {
    auto get = host.optional<F::hxGetNRVMPOfCurrentVMR>();
    return get ? get(index, &record) : nullptr;
}

bool setMapParameters(int index, tl::NRVMPRecord& record) {
    auto set = host.optional<F::hxSetNRVMPParametersOfCurrentVMR>();
    return set && set(index, &record) != 0;
}

bool saveMaps(const std::string& path) {
    auto save = host.optional<F::hxSaveNRVMPsOfCurrentVMR>();
    return save && save(path.c_str()) != 0;
}

bool loadMaps(const std::string& path) {
    auto load = host.optional<F::hxLoadNRVMPsToCurrentVMR>();
    return load && load(path.c_str()) != 0;
}

bool addMaps(const std::string& path) {
    auto add = host.optional<F::hxAddNRVMPsToCurrentVMR>();
    return add && add(path.c_str()) != 0;
}

bool deleteMap(int index) {
    auto remove = host.optional<F::hxDeleteNRVMPMap>();
    return remove && remove(index) != 0;
}

}  // namespace granger::plugin
