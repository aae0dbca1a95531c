// What the frame and the host know of one deliverable, as one constant:
// its library's exported names, the host module it looks for, its version
// gate, the host functions and extensions it binds, and how its form drives
// it. Each deliverable's descriptor is frame/deliverables/<name>.h; the
// linker's export list, the binding and the host's deliverables table are
// all read from it.
#pragma once

#include "frame/host_table.h"
#include "frame/version_gate.h"

#include <cstddef>
#include <cstring>

namespace tl {

struct VersionGate {
    HostFunction versionFunction;  // mandatory: no binding without it
    Version minimum;
    const char* tooOldMessage;  // shown in a message box when the host is older
};

// How a form drives a deliverable: the string parameter that carries each
// command ("" when it is not form-driven), and the bytes of the buffer it
// hands to hxGetStringParameter (the host copies no more than that).
struct FormParameters {
    const char* command;
    std::size_t stringBuffer;
};

struct Deliverable {
    const char* name;            // the library's file name without suffix
    const char* const* exports;  // the library's exported names, in order
    std::size_t nrOfExports;
    const char* hostModules[2];  // looked up in this order
    VersionGate versionGate;
    HostFunctionSet hostFunctions;
    unsigned extensions;  // HostExtension bits
    FormParameters form;

    constexpr bool calls(HostFunction function) const { return hostFunctions.contains(function); }
    constexpr bool uses(HostExtension extension) const {
        return (extensions & static_cast<unsigned>(extension)) != 0;
    }
    bool exportsName(const char* symbol) const {
        for (std::size_t i = 0; i < nrOfExports; ++i)
            if (std::strcmp(exports[i], symbol) == 0) return true;
        return false;
    }
};

// The host functions the three Talvora plug-ins may bind: all but those of
// TalvoraHX and the 16-bit companion volume, which only TalvoraHX offers.
constexpr HostFunctionSet kTalvoraHostFunctions =
    HostFunctionSet::all()
        .without(HostFunction::hxGetVersionOfTalvoraHX)
        .without(HostFunction::hxGetTalvoraHXPath)
        .withoutRange(HostFunction::hxGetV16OfCurrentVMR, HostFunction::hxConvertV16ToVMR);

// TalvoraHX's functions: all but Talvora's own version and path.
constexpr HostFunctionSet kTalvoraHXHostFunctions = HostFunctionSet::all()
                                                        .without(HostFunction::tlGetVersionOfTalvora)
                                                        .without(HostFunction::tlGetTalvoraPath);

}  // namespace tl

// The export list of a descriptor header: TL_COMMON_EXPORTS(X), then one
// `X(name)` per line. The build reads the same lines (here and in the
// descriptor) to write the linker's export list.
#define TL_EXPORT_NAME_STRING(name) #name,

// The entry points every deliverable exports, first in its list.
// clang-format off
#define TL_COMMON_EXPORTS(X)                       \
    X(createPlugin)                                \
    X(getPluginName)                               \
    X(getPluginDescription)                        \
    X(getAuthor)                                   \
    X(getHelpFile)
// clang-format on
