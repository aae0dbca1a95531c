#include "graph/plugin/tlplugin.h"

using graph::plugin::tlplugin;

TL_PLUGIN_EXPORT TLHXPluginInterface* createPlugin() {
    return new tlplugin();
}
TL_PLUGIN_EXPORT const char* getPluginName() {
    return "Graph Analysis";
}
TL_PLUGIN_EXPORT const char* getPluginDescription() {
    return "";
}
TL_PLUGIN_EXPORT const char* getAuthor() {
    return "<i>The Talvora plug-in team</i>, connectivity graph analysis";
}
TL_PLUGIN_EXPORT const char* getHelpFile() {
    return "index.html";
}
TL_PLUGIN_EXPORT const char* getPluginVersion() {
    return "1.0.0-alpha";
}
TL_PLUGIN_EXPORT const char* getGUIScript() {
    return "Nodora.js";
}
