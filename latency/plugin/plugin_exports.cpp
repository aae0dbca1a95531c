#include "latency/plugin/VozuRudoruzOri.h"

#include <new>

TL_PLUGIN_EXPORT TLPluginInterface* createPlugin() {
    return new (std::nothrow) VozuRudoruzOri();
}
TL_PLUGIN_EXPORT const char* getPluginName() {
    return "VOZU Rudoruz Oriping";
}
TL_PLUGIN_EXPORT const char* getPluginDescription() {
    return "VOZU Rudoruz Oriping using piece-wise linear (pseudo-trapezoidal) fitting. Access to linked VTC "
           "in three approaches:<br>1. Use VOI file and perform VOI-based mapping.<br>2. Use VOI file and "
           "perform voxel-based mapping.<br>3. Use MSK files and perform voxel-based mapping.<br><br>"
           "For details, consult the <b><a href=\"LatmapPluginHelp/index.html\">online help</a></b> of the "
           "plug-in.<br>";
}
TL_PLUGIN_EXPORT const char* getAuthor() {
    return "<i>The Talvora plug-in team</i>, latency mapping";
}
TL_PLUGIN_EXPORT const char* getHelpFile() {
    return "LatmapPluginHelp/index.html";
}
TL_PLUGIN_EXPORT const char* getGUIScript() {
    return "";
}
TL_PLUGIN_EXPORT const char* getRegistrationOfGenericComponentLoader() {
    return "Overlay VOZU Rudoruz Oris (blm)";
}
