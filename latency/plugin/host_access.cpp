#include "latency/plugin/host_access.h"

#include <vector>

#include "frame/host_table_latmap.h"
#include "frame/version_gate.h"

using tl::g_latmapHost;

// The functions of the run's main road, in the order the run first needs
// them. A run checks them all before its first question; the wrappers below
// reach them only through `required::<name>()`, so a function missing from
// this list cannot be called unchecked.
#define LATENCY_REQUIRED_HOST_FUNCTIONS(X) \
    X(hxGetCurrentVMR)                     \
    X(hxLogText)                           \
    X(hxGetIntegerInput)                   \
    X(hxGetFloatInput)                     \
    X(hxYesNoMessageBox)                   \
    X(hxGetOpenFileName)                   \
    X(hxGetSaveFileName)                   \
    X(hxClearMultiVTCAnalysis)             \
    X(hxAddVTCRefForMultiVTCAnalysis)      \
    X(hxLinkVTCToCurrentVMR)               \
    X(hxGetHeaderOfVTCOfCurrentVMR)        \
    X(hxGetVoxelTimeCourseOfVTC)           \
    X(hxGetProtocol)                       \
    X(hxGetProtocolCondition)              \
    X(hxDeleteNRVMPsOfCurrentVMR)          \
    X(hxCreateNRVMPsForCurrentVMR)         \
    X(hxGetNRVMPsOfCurrentVMR)             \
    X(hxGetNRVMPOfCurrentVMR)              \
    X(hxSetNRVMPParametersOfCurrentVMR)    \
    X(hxSaveNRVMPsOfCurrentVMR)

namespace latency::host {
namespace {

namespace required {
#define LATENCY_REQUIRED_ACCESSOR(name)          \
    decltype(tl::LatmapHostTable::name) name() { \
        return g_latmapHost.name;                \
    }
LATENCY_REQUIRED_HOST_FUNCTIONS(LATENCY_REQUIRED_ACCESSOR)
#undef LATENCY_REQUIRED_ACCESSOR
}  // namespace required

// Copies a zero-terminated host text of at most capacity bytes.
std::string fromBuffer(const std::vector<char>& buffer) {
    std::size_t length = 0;
    while (length < buffer.size() && buffer[length] != '\0') ++length;
    return std::string(buffer.data(), length);
}

}  // namespace

bool bindAndCheckVersion() {
    // Bound on every run: the host may have changed since the last one.
    if (!tl::bindLatmapHostTable()) return false;
    return tl::hostVersionAccepted(g_latmapHost.tlGetVersionOfTalvora, g_latmapHost.hxMessageBox, {22, 0, 0},
                                   "Can not execute this plugin - Talvora version 22.0 or higher required.");
}

const char* firstMissingRequiredFunction() {
    const struct {
        bool present;
        const char* name;
    } functions[] = {
#define LATENCY_REQUIRED_ENTRY(name) {g_latmapHost.name != nullptr, #name},
        LATENCY_REQUIRED_HOST_FUNCTIONS(LATENCY_REQUIRED_ENTRY)
#undef LATENCY_REQUIRED_ENTRY
    };
    for (const auto& function : functions)
        if (!function.present) return function.name;
    return nullptr;
}

// Log pane and dialogs: null-safe, since they are also used to report a
// missing function or a failure outside the run.

void showLogTab() {
    if (g_latmapHost.hxShowLogTab) g_latmapHost.hxShowLogTab();
}

void updateActiveWindow() {
    if (g_latmapHost.hxUpdateActiveWindow) g_latmapHost.hxUpdateActiveWindow();
}

void log(const std::string& line) {
    if (auto logText = required::hxLogText()) logText(line.c_str());
}

void message(const std::string& text) {
    if (g_latmapHost.hxMessageBox) g_latmapHost.hxMessageBox(text.c_str());
}

bool askYesNo(const std::string& question) {
    auto ask = required::hxYesNoMessageBox();
    return ask && ask(question.c_str()) != 0;
}

int askInteger(const std::string& prompt, int defaultValue, int minimum, int maximum) {
    auto ask = required::hxGetIntegerInput();
    return ask ? ask(prompt.c_str(), defaultValue, minimum, maximum) : minimum - 1;
}

float askFloat(const std::string& prompt, float defaultValue, float minimum, float maximum) {
    auto ask = required::hxGetFloatInput();
    return ask ? ask(prompt.c_str(), defaultValue, minimum, maximum) : minimum - 1.0f;
}

bool askOpenFile(const std::string& title, const std::string& filter, std::string& path) {
    auto ask = required::hxGetOpenFileName();
    if (!ask) return false;
    std::vector<char> buffer(tl::kPathCapacity, '\0');
    if (!ask(title.c_str(), "", filter.c_str(), buffer.data())) return false;
    path = fromBuffer(buffer);
    return true;
}

bool askSaveFile(const std::string& title, const std::string& filter, std::string& path) {
    auto ask = required::hxGetSaveFileName();
    if (!ask) return false;
    std::vector<char> buffer(tl::kPathCapacity, '\0');
    if (!ask(title.c_str(), "", filter.c_str(), buffer.data())) return false;
    path = fromBuffer(buffer);
    return true;
}

// Main road: checked before the run's first question.

bool currentVmrOpen() {
    int dimX = 0, dimY = 0, dimZ = 0;
    return required::hxGetCurrentVMR()(&dimX, &dimY, &dimZ) != 0;
}

void clearVtcList() {
    required::hxClearMultiVTCAnalysis()();
}

bool addVtc(const std::string& path) {
    return required::hxAddVTCRefForMultiVTCAnalysis()(path.c_str()) != 0;
}

void linkVtc(const std::string& path, int index) {
    required::hxLinkVTCToCurrentVMR()(path.c_str(), index);
}

tl::VTCHeaderRecord linkedVtcHeader() {
    tl::VTCHeaderRecord header{};
    header.present = -1;
    if (!required::hxGetHeaderOfVTCOfCurrentVMR()(&header)) header.present = -1;
    return header;
}

void loadLinkedVtcData(int dataType) {
    // The values themselves are read voxel by voxel; the pointer is not needed.
    if (dataType == 2) {
        if (g_latmapHost.hxGetVTCFloatDataOfCurrentVMR) g_latmapHost.hxGetVTCFloatDataOfCurrentVMR();
    } else if (g_latmapHost.hxGetVTCIntDataOfCurrentVMR) {
        g_latmapHost.hxGetVTCIntDataOfCurrentVMR();
    }
}

bool readVoxelTimeCourse(int vtcIndex, int voxel, float* values) {
    return required::hxGetVoxelTimeCourseOfVTC()(vtcIndex, voxel, values) != 0;
}

bool readProtocol(tl::ProtocolRecord& protocol) {
    return required::hxGetProtocol()(&protocol) != 0;
}

void readProtocolCondition(int index, tl::ProtocolConditionRecord& condition) {
    required::hxGetProtocolCondition()(index, &condition);
}

// Optional documents.

const float* currentGlm(tl::GLMRecord& glm) {
    return g_latmapHost.hxGetGLMOfCurrentVMR ? g_latmapHost.hxGetGLMOfCurrentVMR(&glm) : nullptr;
}

bool readVois(tl::VOISetRecord& set) {
    return g_latmapHost.hxGetVOIs && g_latmapHost.hxGetVOIs(&set);
}

const int* readVoi(int index, tl::VOIRecord& voi) {
    return g_latmapHost.hxGetVOI ? g_latmapHost.hxGetVOI(index, &voi) : nullptr;
}

const unsigned char* loadMask(const std::string& path) {
    if (!g_latmapHost.hxLoadMaskToCurrentVMR || !g_latmapHost.hxLoadMaskToCurrentVMR(path.c_str()))
        return nullptr;
    return g_latmapHost.hxGetMaskOfCurrentVMR ? g_latmapHost.hxGetMaskOfCurrentVMR() : nullptr;
}

// Latency maps (main road).

void deleteMaps() {
    required::hxDeleteNRVMPsOfCurrentVMR()();
}

bool createMaps(int count) {
    return required::hxCreateNRVMPsForCurrentVMR()(count, 10, 0, nullptr) != 0;
}

void readMaps(tl::NRVMPSetRecord& set) {
    required::hxGetNRVMPsOfCurrentVMR()(&set);
}

float* mapValues(int index, tl::NRVMPRecord& record) {
    return required::hxGetNRVMPOfCurrentVMR()(index, &record);
}

void setMapParameters(int index, tl::NRVMPRecord& record) {
    required::hxSetNRVMPParametersOfCurrentVMR()(index, &record);
}

bool saveMaps(const std::string& path) {
    return required::hxSaveNRVMPsOfCurrentVMR()(path.c_str()) != 0;
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
