// The latency-mapping deliverable.
#pragma once

#include "frame/deliverable.h"

// clang-format off
#define TL_EXPORTS_LatmapPlugin(X)                 \
    TL_COMMON_EXPORTS(X)                           \
    X(getGUIScript)                                \
    X(getRegistrationOfGenericComponentLoader)
// clang-format on

namespace tl::deliverables {

inline constexpr const char* kLatmapPluginExports[] = {TL_EXPORTS_LatmapPlugin(TL_EXPORT_NAME_STRING)};

inline constexpr Deliverable kLatmapPlugin{
    "LatmapPlugin",
    kLatmapPluginExports,
    sizeof kLatmapPluginExports / sizeof *kLatmapPluginExports,
    {"Talvora.exe", "TalvoraEDU.exe"},
    {HostFunction::tlGetVersionOfTalvora,
     {22, 0, 0},
     "Can not execute this plugin - Talvora version 22.0 or higher required."},
    kTalvoraHostFunctions,
    static_cast<unsigned>(HostExtension::NoteFileOutcome),
    {"", kPathCapacity},
};

}  // namespace tl::deliverables
