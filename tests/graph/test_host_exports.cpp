// The test program stands in for the host module: it answers to the
// graph plug-in's host name and exports the few functions its start needs,
// so initPlugin binds and runs to its end.
#include <string>
#include <vector>

#define TEST_HOST_EXPORT extern "C" __attribute__((visibility("default")))

std::vector<std::string> g_testHostLog;

TEST_HOST_EXPORT const char* talvoraHostModuleName() {
    return "TalvoraHX.exe";
}

TEST_HOST_EXPORT void hxGetVersionOfTalvoraHX(int* major, int* minor, int* patch) {
    *major = 2;
    *minor = 6;
    *patch = 0;
}

TEST_HOST_EXPORT void hxLogText(const char* text) {
    g_testHostLog.push_back(text);
}
