// A host program that exports nothing but tlGetVersionOfTalvora. It loads
// each plug-in given, creates it, initialises it and (when initialised, and
// always for the latency plug-in, which binds in execute) executes it once,
// printing what each call returned. Built for Linux and for Windows, so the
// two outputs can be compared line by line.
//   version_only_host MAJOR.MINOR.PATCH PLUGIN...
#include "frame/plugin_interface.h"
#include "host/platform/platform.h"

#include <cstdio>
#include <cstring>
#include <string>

#if defined(_WIN32)
#define VERSION_ONLY_EXPORT extern "C" __declspec(dllexport)
#else
#define VERSION_ONLY_EXPORT extern "C" __attribute__((visibility("default")))
// The Linux lookup finds a host by the name it answers to; on Windows the
// program's file name is that name.
VERSION_ONLY_EXPORT const char* talvoraHostModuleName() {
    return "Talvora.exe";
}
#endif

namespace {
int g_version[3] = {24, 0, 0};
}

VERSION_ONLY_EXPORT void tlGetVersionOfTalvora(int* major, int* minor, int* patch) {
    *major = g_version[0];
    *minor = g_version[1];
    *patch = g_version[2];
}

int main(int argc, char** argv) {
    if (argc < 3 || std::sscanf(argv[1], "%d.%d.%d", &g_version[0], &g_version[1], &g_version[2]) != 3) {
        std::fprintf(stderr, "usage: version_only_host MAJOR.MINOR.PATCH PLUGIN...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        const std::string name = std::filesystem::path(path).stem().string();
        std::string why;
        void* library = talvora::platform::openLibrary(path, why);
        if (!library) {
            std::printf("%s: does not load\n", name.c_str());
            continue;
        }
        auto create = reinterpret_cast<TLPluginInterface* (*)()>(
            talvora::platform::librarySymbol(library, "createPlugin"));
        if (!create) {
            std::printf("%s: no createPlugin\n", name.c_str());
            continue;
        }
        TLPluginInterface* plugin = create();
        const bool initialised = plugin->initPlugin();
        std::printf("%s: initPlugin %s\n", name.c_str(), initialised ? "true" : "false");
        if (initialised || name == "LatmapPlugin")
            std::printf("%s: execute %s\n", name.c_str(), plugin->execute() ? "true" : "false");
        delete plugin;
        std::fflush(stdout);
    }
    return 0;
}
