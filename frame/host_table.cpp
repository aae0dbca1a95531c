#include "frame/host_table.h"

namespace tl {

platform::ModuleHandle findHostModule(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (platform::ModuleHandle module = platform::GetModuleHandleA(name)) return module;
    return nullptr;
}

}  // namespace tl
