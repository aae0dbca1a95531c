// Loads a plug-in library straight through dlopen, for tests that must not
// have the stand-in host library in the process.
#pragma once

#include "frame/plugin_interface.h"

#include <dlfcn.h>
#include <stdexcept>
#include <string>

struct RawPlugin {
    void* handle = nullptr;
    TLPluginInterface* object = nullptr;

    explicit RawPlugin(const std::string& path) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error(dlerror());
        auto create = reinterpret_cast<TLPluginInterface* (*)()>(dlsym(handle, "createPlugin"));
        if (!create) throw std::runtime_error(path + ": no createPlugin");
        object = create();
    }
    ~RawPlugin() { delete object; }
};

// A fake host module loaded into the process, configured by name and version.
struct FakeHost {
    void* handle = nullptr;
    FakeHost(const std::string& path, const char* moduleName, int major, int minor, int patch) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error(dlerror());
        configure(moduleName, major, minor, patch);
    }
    void configure(const char* moduleName, int major, int minor, int patch) {
        auto fn = reinterpret_cast<void (*)(const char*, int, int, int)>(dlsym(handle, "fakeHostConfigure"));
        fn(moduleName, major, minor, patch);
    }
    int messageCount() const { return reinterpret_cast<int (*)()>(dlsym(handle, "fakeHostMessageCount"))(); }
    std::string message(int i) const {
        return reinterpret_cast<const char* (*)(int)>(dlsym(handle, "fakeHostMessage"))(i);
    }
};
