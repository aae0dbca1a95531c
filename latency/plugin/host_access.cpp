#include "latency/plugin/host_access.h"

#include "frame/plugin_hosts.h"

using tl::g_latmapAccess;
using F = tl::HostFunction;

// The functions of the run's main road, in the order the run first needs
// them. A run checks them all before its first question; the wrappers below
// reach them only through `required::<name>()` (the two file dialogs through
// the host access's text reading, also checked here), so a function missing
// from this list cannot be called unchecked.
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
#define LATENCY_REQUIRED_ACCESSOR(name)            \
    tl::HostFunctionField<F::name>::Type name() {  \
        return g_latmapAccess.optional<F::name>(); \
    }
LATENCY_REQUIRED_HOST_FUNCTIONS(LATENCY_REQUIRED_ACCESSOR)
#undef LATENCY_REQUIRED_ACCESSOR
}  // namespace required

}  // namespace

bool bindAndCheckVersion() {
    // Bound on every run: the host may have changed since the last one.
    if (!g_latmapAccess.bind()) return false;
    return g_latmapAccess.versionAccepted();
}

const char* firstMissingRequiredFunction() {
#define LATENCY_REQUIRED_ID(name) F::name,
    return g_latmapAccess.firstMissing({LATENCY_REQUIRED_HOST_FUNCTIONS(LATENCY_REQUIRED_ID)});
#undef LATENCY_REQUIRED_ID
}

// Log pane and dialogs: null-safe, since they are also used to report a
// missing function or a failure outside the run.

void showLogTab() {
    if (auto call = g_latmapAccess.optional<F::hxShowLogTab>()) call();
}

void updateActiveWindow() {
    if (auto call = g_latmapAccess.optional<F::hxUpdateActiveWindow>()) call();
}

void log(const std::string& line) {
    if (auto logText = required::hxLogText()) logText(line.c_str());
}

void message(const std::string& text) {
    if (auto call = g_latmapAccess.optional<F::hxMessageBox>()) call(text.c_str());
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
    return g_latmapAccess.readAnswer<F::hxGetOpenFileName>(path, tl::kPathCapacity, title.c_str(), "",
                                                           filter.c_str());
}

bool askSaveFile(const std::string& title, const std::string& filter, std::string& path) {
    return g_latmapAccess.readAnswer<F::hxGetSaveFileName>(path, tl::kPathCapacity, title.c_str(), "",
                                                           filter.c_str());
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
        if (auto call = g_latmapAccess.optional<F::hxGetVTCFloatDataOfCurrentVMR>()) call();
    } else if (auto load = g_latmapAccess.optional<F::hxGetVTCIntDataOfCurrentVMR>()) {
        load();
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
    auto get = g_latmapAccess.optional<F::hxGetGLMOfCurrentVMR>();
    return get ? get(&glm) : nullptr;
}

bool readVois(tl::VOISetRecord& set) {
    auto get = g_latmapAccess.optional<F::hxGetVOIs>();
    return get && get(&set);
}

const int* readVoi(int index, tl::VOIRecord& voi) {
    auto get = g_latmapAccess.optional<F::hxGetVOI>();
    return get ? get(index, &voi) : nullptr;
}

const unsigned char* loadMask(const std::string& path) {
    auto load = g_latmapAccess.optional<F::hxLoadMaskToCurrentVMR>();
    if (!load || !load(path.c_str())) return nullptr;
    auto get = g_latmapAccess.optional<F::hxGetMaskOfCurrentVMR>();
    return get ? get() : nullptr;
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
    if (auto call = g_latmapAccess.optional<F::hxShowBusyCursor>()) call();
}

void BusyCursor::stop() {
    if (!busy_) return;
    busy_ = false;
    if (auto call = g_latmapAccess.optional<F::hxStopBusyCursor>()) call();
}

}  // namespace latency::host
