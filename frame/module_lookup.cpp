#include "frame/module_lookup.h"

#if defined(_WIN32)
#include <windows.h>

namespace tl::platform {
ModuleHandle GetModuleHandleA(const char* moduleName) {
    return reinterpret_cast<ModuleHandle>(::GetModuleHandleA(moduleName));
}
void* GetProcAddress(ModuleHandle module, const char* procName) {
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(module), procName));
}
}  // namespace tl::platform

#else
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <link.h>
#include <strings.h>

#include <string>
#include <vector>

namespace tl::platform {
namespace {

using ModuleNameFn = const char* (*)();

struct LoadedObject {
    std::string path;
    bool isMainProgram;
};

int collect(struct dl_phdr_info* info, size_t, void* data) {
    auto* out = static_cast<std::vector<LoadedObject>*>(data);
    const char* name = info->dlpi_name ? info->dlpi_name : "";
    out->push_back({name, out->empty() && name[0] == '\0'});
    return 0;
}

// The link map of the object a handle refers to.
struct link_map* linkMapOf(void* handle) {
    struct link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0) return nullptr;
    return map;
}

// A symbol found through a handle may come from one of the object's
// dependencies; keep it only when the object itself defines it.
void* ownSymbol(void* handle, const char* name) {
    void* sym = dlsym(handle, name);
    if (!sym) return nullptr;
    Dl_info info;
    struct link_map* owner = nullptr;
    if (!dladdr1(sym, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP)) return nullptr;
    return owner == linkMapOf(handle) ? sym : nullptr;
}

}  // namespace

ModuleHandle GetModuleHandleA(const char* moduleName) {
    if (!moduleName) return nullptr;
    std::vector<LoadedObject> objects;
    dl_iterate_phdr(collect, &objects);
    for (const auto& object : objects) {
        if (object.path.empty() && !object.isMainProgram) continue;
        void* handle = dlopen(object.isMainProgram ? nullptr : object.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (!handle) continue;
        auto nameFn = reinterpret_cast<ModuleNameFn>(ownSymbol(handle, TL_HOST_MODULE_NAME_SYMBOL));
        const char* answer = nameFn ? nameFn() : nullptr;
        if (answer && strcasecmp(answer, moduleName) == 0) return handle;
        dlclose(handle);
    }
    return nullptr;
}

void* GetProcAddress(ModuleHandle module, const char* procName) {
    if (!module || !procName) return nullptr;
    return ownSymbol(module, procName);
}

}  // namespace tl::platform
#endif
