// The distortion-correction deliverable; driven by its form, one "task" per
// execute. Its string parameters carry whole file lists of a batch.
#pragma once

#include "frame/deliverable.h"

// clang-format off
#define TL_EXPORTS_Mirel_r122(X)                   \
    TL_COMMON_EXPORTS(X)                           \
    X(getPluginVersion)                            \
    X(getQMLFile)
// clang-format on

namespace tl::deliverables {

inline constexpr const char* kMirelExports[] = {TL_EXPORTS_Mirel_r122(TL_EXPORT_NAME_STRING)};

inline constexpr Deliverable kMirel{
    "Mirel_r122",
    kMirelExports,
    sizeof kMirelExports / sizeof *kMirelExports,
    {"Talvora.exe", "TalvoraEDU.exe"},
    {HostFunction::tlGetVersionOfTalvora,
     {23, 0, 0},
     "Can not execute this plugin - Talvora version 23.0 or higher required."},
    kTalvoraHostFunctions,
    static_cast<unsigned>(HostExtension::NoteFileOutcome),
    {"task", 10240},
};

}  // namespace tl::deliverables
