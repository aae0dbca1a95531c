#include "granger/plugin/VUVIrurar.h"

TL_PLUGIN_EXPORT TLPluginInterface* createPlugin() {
    return new granger::plugin::VUVIrurar();
}
TL_PLUGIN_EXPORT const char* getPluginName() {
    return "RFX Granger Causality Mapping (GCM) v2.7";
}
TL_PLUGIN_EXPORT const char* getPluginDescription() {
    return "Computes Granger Causality Maps (<i>GCM</i>s) for a reference region (VOI) across data of "
           "multiple subjects. A generic VOI may be used for all subjects or subject-specific VOI "
           "definitions, e.g. from individual localizer experiments. For more information, consult the "
           "<b><a href=\"Causalis_Help/index.html\">Causalis Help Page</a></b>.";
}
TL_PLUGIN_EXPORT const char* getAuthor() {
    return "<i>The Talvora plug-in team</i>, Granger causality mapping";
}
TL_PLUGIN_EXPORT const char* getHelpFile() {
    return "Causalis_Help/index.html";
}
TL_PLUGIN_EXPORT const char* getPluginVersion() {
    return "2.7";
}
TL_PLUGIN_EXPORT const char* getQMLFile() {
    return "CausalisPlugin.qml";
}
TL_PLUGIN_EXPORT const char* getRegistrationOfGenericComponentLoader() {
    return "Overlay Granger Causality Maps (gcm)";
}
