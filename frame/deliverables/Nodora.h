// The graph-analysis deliverable, a TalvoraHX plug-in.
#pragma once

#include "frame/deliverable.h"

// clang-format off
#define TL_EXPORTS_Nodora(X)                       \
    TL_COMMON_EXPORTS(X)                           \
    X(getPluginVersion)                            \
    X(getGUIScript)
// clang-format on

namespace tl::deliverables {

inline constexpr const char* kNodoraExports[] = {TL_EXPORTS_Nodora(TL_EXPORT_NAME_STRING)};

inline constexpr Deliverable kNodora{
    "Nodora",
    kNodoraExports,
    sizeof kNodoraExports / sizeof *kNodoraExports,
    {"TalvoraHX.exe", "Talvora.exe"},
    {HostFunction::hxGetVersionOfTalvoraHX,
     {2, 6, 0},
     "Plugin> Can not execute this plugin - TalvoraHX version 2.6.0 or higher required."},
    kTalvoraHXHostFunctions,
    static_cast<unsigned>(HostExtension::NoteFileOutcome),
    {"", kPathCapacity},
};

}  // namespace tl::deliverables
