#include "frame/host_table.h"

namespace tl {

const char* hostFunctionName(HostFunction function) {
    switch (function) {
#define TL_HOST_NAME_CASE(name, typed, ret, params) \
    case HostFunction::name:                        \
        return #name;
        TALVORA_HOST_FUNCTIONS(TL_HOST_NAME_CASE)
#undef TL_HOST_NAME_CASE
    }
    return "";
}

void storeHostFunction(HostTable& table, HostFunction function, void* address) {
    switch (function) {
#define TL_HOST_STORE_CASE(name, typed, ret, params)                  \
    case HostFunction::name:                                          \
        table.name = reinterpret_cast<decltype(table.name)>(address); \
        return;
        TALVORA_HOST_FUNCTIONS(TL_HOST_STORE_CASE)
#undef TL_HOST_STORE_CASE
    }
}

bool isBound(const HostTable& table, HostFunction function) {
    switch (function) {
#define TL_HOST_BOUND_CASE(name, typed, ret, params) \
    case HostFunction::name:                         \
        return table.name != nullptr;
        TALVORA_HOST_FUNCTIONS(TL_HOST_BOUND_CASE)
#undef TL_HOST_BOUND_CASE
    }
    return false;
}

}  // namespace tl
