#include "frame/deliverables/CausalisPlugin_v27.h"
#include "frame/plugin_exports.h"
#include "granger/plugin/VUVIrurar.h"

TL_PLUGIN_EXPORT TLPluginInterface* createPlugin() {
    return new granger::plugin::VUVIrurar();
}

// The texts the host shows; which of them the library exports is its
// descriptor's list.
namespace plugin_texts {
constexpr const char* getPluginName = "RFX Granger Causality Mapping (GCM) v2.7";
constexpr const char* getPluginDescription =
    "Computes Granger Causality Maps (<i>GCM</i>s) for a reference region (VOI) across data of "
    "multiple subjects. A generic VOI may be used for all subjects or subject-specific VOI "
    "definitions, e.g. from individual localizer experiments. For more information, consult the "
    "<b><a href=\"Causalis_Help/index.html\">Causalis Help Page</a></b>.";
constexpr const char* getAuthor = "<i>The Talvora plug-in team</i>, Granger causality mapping";
constexpr const char* getHelpFile = "Causalis_Help/index.html";
constexpr const char* getPluginVersion = "2.7";
constexpr const char* getQMLFile = "CausalisPlugin.qml";
constexpr const char* getRegistrationOfGenericComponentLoader = "Overlay Granger Causality Maps (gcm)";
}  // namespace plugin_texts

TL_DEFINE_TEXT_EXPORTS(CausalisPlugin_v27)
