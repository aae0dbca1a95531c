#include "latency/host_access.h"

#include <vector>

#include "frame/host_table_latmap.h"

using tl::g_latmapHost;

namespace latency::host {
namespace {

// Copies a zero-terminated host text of at most capacity bytes.
std::string fromBuffer(const std::vector<char>& buffer) {
    std::size_t length = 0;
    while (length < buffer.size() && buffer[length] != '\0') ++length;
    return std::string(buffer.data(), length);
}

}  // namespace

const char* firstMissingRequiredFunction() {
    const auto& h = g_latmapHost;
    const struct {
        bool present;
        const char* name;
    } required[] = {
        {h.hxGetCurrentVMR != nullptr, "hxGetCurrentVMR"},
        {h.hxLogText != nullptr, "hxLogText"},
        {h.hxGetIntegerInput != nullptr, "hxGetIntegerInput"},
        {h.hxGetFloatInput != nullptr, "hxGetFloatInput"},
        {h.hxYesNoMessageBox != nullptr, "hxYesNoMessageBox"},
        {h.hxGetOpenFileName != nullptr, "hxGetOpenFileName"},
        {h.hxGetSaveFileName != nullptr, "hxGetSaveFileName"},
        {h.hxClearMultiVTCAnalysis != nullptr, "hxClearMultiVTCAnalysis"},
        {h.hxAddVTCRefForMultiVTCAnalysis != nullptr, "hxAddVTCRefForMultiVTCAnalysis"},
        {h.hxLinkVTCToCurrentVMR != nullptr, "hxLinkVTCToCurrentVMR"},
        {h.hxGetHeaderOfVTCOfCurrentVMR != nullptr, "hxGetHeaderOfVTCOfCurrentVMR"},
        {h.hxGetVoxelTimeCourseOfVTC != nullptr, "hxGetVoxelTimeCourseOfVTC"},
        {h.hxGetProtocol != nullptr, "hxGetProtocol"},
        {h.hxGetProtocolCondition != nullptr, "hxGetProtocolCondition"},
        {h.hxDeleteNRVMPsOfCurrentVMR != nullptr, "hxDeleteNRVMPsOfCurrentVMR"},
        {h.hxCreateNRVMPsForCurrentVMR != nullptr, "hxCreateNRVMPsForCurrentVMR"},
        {h.hxGetNRVMPsOfCurrentVMR != nullptr, "hxGetNRVMPsOfCurrentVMR"},
        {h.hxGetNRVMPOfCurrentVMR != nullptr, "hxGetNRVMPOfCurrentVMR"},
        {h.hxSetNRVMPParametersOfCurrentVMR != nullptr, "hxSetNRVMPParametersOfCurrentVMR"},
        {h.hxSaveNRVMPsOfCurrentVMR != nullptr, "hxSaveNRVMPsOfCurrentVMR"},
    };
    for (const auto& function : required)
        if (!function.present) return function.name;
    return nullptr;
}

void showLogTab() {
    if (g_latmapHost.hxShowLogTab) g_latmapHost.hxShowLogTab();
}

void updateActiveWindow() {
    if (g_latmapHost.hxUpdateActiveWindow) g_latmapHost.hxUpdateActiveWindow();
}

void log(const std::string& line) {
    if (g_latmapHost.hxLogText) g_latmapHost.hxLogText(line.c_str());
}

void message(const std::string& text) {
    if (g_latmapHost.hxMessageBox) g_latmapHost.hxMessageBox(text.c_str());
}

bool askYesNo(const std::string& question) {
    return g_latmapHost.hxYesNoMessageBox && g_latmapHost.hxYesNoMessageBox(question.c_str()) != 0;
}

int askInteger(const std::string& prompt, int defaultValue, int minimum, int maximum) {
    if (!g_latmapHost.hxGetIntegerInput) return minimum - 1;
    return g_latmapHost.hxGetIntegerInput(prompt.c_str(), defaultValue, minimum, maximum);
}

float askFloat(const std::string& prompt, float defaultValue, float minimum, float maximum) {
    if (!g_latmapHost.hxGetFloatInput) return minimum - 1.0f;
    return g_latmapHost.hxGetFloatInput(prompt.c_str(), defaultValue, minimum, maximum);
}

bool askOpenFile(const std::string& title, const std::string& filter, std::string& path) {
    if (!g_latmapHost.hxGetOpenFileName) return false;
    std::vector<char> buffer(tl::kPathCapacity, '\0');
    if (!g_latmapHost.hxGetOpenFileName(title.c_str(), "", filter.c_str(), buffer.data())) return false;
    path = fromBuffer(buffer);
    return true;
}

bool askSaveFile(const std::string& title, const std::string& filter, std::string& path) {
    if (!g_latmapHost.hxGetSaveFileName) return false;
    std::vector<char> buffer(tl::kPathCapacity, '\0');
    if (!g_latmapHost.hxGetSaveFileName(title.c_str(), "", filter.c_str(), buffer.data())) return false;
    path = fromBuffer(buffer);
    return true;
}

BusyCursor::BusyCursor() {
    if (g_latmapHost.hxShowBusyCursor) g_latmapHost.hxShowBusyCursor();
}

void BusyCursor::stop() {
    if (!busy_) return;
    busy_ = false;
    if (g_latmapHost.hxStopBusyCursor) g_latmapHost.hxStopBusyCursor();
}

}  // namespace latency::host
