// The Granger-causality-mapping deliverable; driven by its form, one
// "COMMAND" per execute.
#pragma once

#include "frame/deliverable.h"

// clang-format off
#define TL_EXPORTS_CausalisPlugin_v27(X)           \
    TL_COMMON_EXPORTS(X)                           \
    X(getPluginVersion)                            \
    X(getQMLFile)                                  \
    X(getRegistrationOfGenericComponentLoader)
// clang-format on

namespace tl::deliverables {

inline constexpr const char* kCausalisPluginExports[] = {
    TL_EXPORTS_CausalisPlugin_v27(TL_EXPORT_NAME_STRING)};

inline constexpr Deliverable kCausalisPlugin{
    "CausalisPlugin_v27",
    kCausalisPluginExports,
    sizeof kCausalisPluginExports / sizeof *kCausalisPluginExports,
    {"Talvora.exe", "TalvoraEDU.exe"},
    {HostFunction::tlGetVersionOfTalvora,
     {23, 0, 0},
     "Can not execute this plugin - Talvora version 23.0 or higher required."},
    // No plots, no maps of the functional project, no GLM contrasts, and of
    // the surfaces only the current one.
    kTalvoraHostFunctions.withoutRange(HostFunction::hxCloseAllPlots, HostFunction::hxSetPlotColorTheme)
        .withoutRange(HostFunction::hxGetMAPOfCurrentFMR, HostFunction::hxCreateMAPForCurrentFMR)
        .without(HostFunction::hxGetGLMContrastsOfCurrentVMR)
        .withoutRange(HostFunction::hxLoadSRF, HostFunction::hxRemoveCurrentSRF),
    HostExtension::NoteFileOutcome | HostExtension::FixedClock,
    {"COMMAND", kPathCapacity},
};

}  // namespace tl::deliverables
