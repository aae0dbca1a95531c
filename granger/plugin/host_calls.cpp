#include "granger/plugin/host_calls.h"

#include "frame/host_table_causalis.h"

#include <cstring>
#include <vector>

using tl::g_causalisHost;

namespace granger::plugin {

namespace {
const auto& H = g_causalisHost;
}

void logRaw(const std::string& text) {
    if (H.hxLogText) H.hxLogText(text.c_str());
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
    if (H.hxMessageBox) H.hxMessageBox(text.c_str());
}

void showLogTab() {
    if (H.hxShowLogTab) H.hxShowLogTab();
}

void busy(bool on) {
    if (on && H.hxShowBusyCursor) H.hxShowBusyCursor();
    if (!on && H.hxStopBusyCursor) H.hxStopBusyCursor();
}

std::string stringParameter(const char* name) {
    if (!H.hxGetStringParameter) return {};
    std::vector<char> buffer(tl::kPathCapacity, '\0');
    H.hxGetStringParameter(name, buffer.data());
    buffer.back() = '\0';
    // The form's texts are at most 255 characters long for COMMAND, longer for paths.
    return std::string(buffer.data());
}

int intParameter(const char* name) {
    return H.hxGetIntParameter ? H.hxGetIntParameter(name) : 0;
}

void setStringParameter(const char* name, const std::string& value) {
    if (H.hxSetStringParameter) H.hxSetStringParameter(name, value.c_str());
}

void setIntParameter(const char* name, int value) {
    if (H.hxSetIntParameter) H.hxSetIntParameter(name, value);
}

int integerInput(const std::string& prompt, int defaultValue, int minimum, int maximum) {
    if (!H.hxGetIntegerInput) return minimum - 1;
    return H.hxGetIntegerInput(prompt.c_str(), defaultValue, minimum, maximum);
}

std::string openFileName(const std::string& title, const std::string& filter) {
    if (!H.hxGetOpenFileName) return {};
    std::vector<char> buffer(tl::kPathCapacity, '\0');
    if (!H.hxGetOpenFileName(title.c_str(), "", filter.c_str(), buffer.data())) return {};
    buffer.back() = '\0';
    return std::string(buffer.data());
}

std::string pluginsPath() {
    if (!H.hxGetPluginsPath) return {};
    std::vector<char> buffer(tl::kPathCapacity, '\0');
    H.hxGetPluginsPath(buffer.data());
    buffer.back() = '\0';
    return std::string(buffer.data());
}

bool currentVMR() {
    int x = 0, y = 0, z = 0;
    return H.hxGetCurrentVMR && H.hxGetCurrentVMR(&x, &y, &z) != 0;
}

std::string vmrPath() {
    if (!H.hxGetMainHeaderOfCurrentVMR) return {};
    tl::VMRMainHeaderRecord header{};
    if (!H.hxGetMainHeaderOfCurrentVMR(&header)) return {};
    header.path[sizeof header.path - 1] = '\0';
    return header.path;
}

bool linkVTC(const std::string& path) {
    return H.hxLinkVTCToCurrentVMR && H.hxLinkVTCToCurrentVMR(path.c_str(), 0) != 0;
}

bool currentVTC(tl::VTCHeaderRecord& record) {
    std::memset(&record, 0, sizeof record);
    record.present = -1;
    if (!H.hxGetVTCOfCurrentVMR) return false;
    H.hxGetVTCOfCurrentVMR(&record);
    return record.present != -1;
}

bool setVTCParameters(tl::VTCHeaderRecord& record) {
    return H.hxSetVTCParametersOfCurrentVMR && H.hxSetVTCParametersOfCurrentVMR(&record) != 0;
}

bool protocol(tl::ProtocolRecord& record) {
    std::memset(&record, 0, sizeof record);
    return H.hxGetProtocol && H.hxGetProtocol(&record) != 0;
}

bool protocolCondition(int index, tl::ProtocolConditionRecord& record) {
    std::memset(&record, 0, sizeof record);
    return H.hxGetProtocolCondition && H.hxGetProtocolCondition(index, &record) != 0;
}

bool loadVOIs(const std::string& path) {
    return H.hxLoadVOIs && H.hxLoadVOIs(path.c_str()) != 0;
}

bool vois(tl::VOISetRecord& record) {
    std::memset(&record, 0, sizeof record);
    return H.hxGetVOIs && H.hxGetVOIs(&record) != 0;
}

const int* voi(int index, tl::VOIRecord& record) {
    std::memset(&record, 0, sizeof record);
    if (!H.hxGetVOI) return nullptr;
    const int* voxels = H.hxGetVOI(index, &record);
    record.name[sizeof record.name - 1] = '\0';
    return voxels;
}

}  // namespace granger::plugin
