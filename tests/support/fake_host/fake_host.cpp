// The tests' one fake host module: it answers to a module name chosen by
// the test (fakeHostConfigure, or FAKE_MODULE_NAME and FAKE_VERSION when
// built) and exports only what its variant defines, so the plug-ins' lookup
// order and their handling of missing functions can be exercised. Built as
// a library of its own (talvora_fake_host in tests/support/CMakeLists.txt),
// or into a test program, which then is the host module.
#include <string>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#if !defined(FAKE_MODULE_NAME)
#define FAKE_MODULE_NAME "Talvora.exe"
#endif
#if !defined(FAKE_VERSION)
#define FAKE_VERSION 24, 0, 0
#endif

namespace {
std::string g_moduleName = FAKE_MODULE_NAME;
int g_version[3] = {FAKE_VERSION};
std::vector<std::string> g_messages;
}  // namespace

#if defined(FAKE_LOG_LINES)
// The log lines alone, as a test program that is the host reads them.
std::vector<std::string> g_testHostLog;
#endif

FAKE_EXPORT const char* talvoraHostModuleName() {
    return g_moduleName.c_str();
}
FAKE_EXPORT void fakeHostConfigure(const char* moduleName, int major, int minor, int patch) {
    g_moduleName = moduleName;
    g_version[0] = major;
    g_version[1] = minor;
    g_version[2] = patch;
    g_messages.clear();
}
FAKE_EXPORT int fakeHostMessageCount() {
    return static_cast<int>(g_messages.size());
}
FAKE_EXPORT const char* fakeHostMessage(int i) {
    return g_messages.at(i).c_str();
}

FAKE_EXPORT void tlGetVersionOfTalvora(int* major, int* minor, int* patch) {
    *major = g_version[0];
    *minor = g_version[1];
    *patch = g_version[2];
}

#if defined(FAKE_WITH_HX_VERSION)
FAKE_EXPORT void hxGetVersionOfTalvoraHX(int* major, int* minor, int* patch) {
    tlGetVersionOfTalvora(major, minor, patch);
}
#endif

#if defined(FAKE_WITH_MESSAGES)
FAKE_EXPORT void hxMessageBox(const char* text) {
    g_messages.push_back(std::string("box: ") + text);
}
FAKE_EXPORT void hxLogText(const char* text) {
    g_messages.push_back(std::string("log: ") + text);
#if defined(FAKE_LOG_LINES)
    g_testHostLog.push_back(text);
#endif
}
FAKE_EXPORT void hxShowLogTab() {}
FAKE_EXPORT void hxShowLogPane() {}
#endif

#if defined(FAKE_WITH_BLAS)
FAKE_EXPORT void tl_matrix_matrix_mult_f() {}
FAKE_EXPORT void tl_matrix_matrix_mult_d() {}
FAKE_EXPORT void tl_matrix_vector_mult_f() {}
FAKE_EXPORT void tl_matrix_vector_mult_d() {}
#endif

#if defined(FAKE_WITH_EXTENSIONS)
FAKE_EXPORT void talvoraNoteFileOutcome(const char* path, int written) {
    g_messages.push_back(std::string("file: ") + path + (written ? " written" : " failed"));
}
FAKE_EXPORT long long talvoraFixedClock() {
    return 1234;
}
#endif
