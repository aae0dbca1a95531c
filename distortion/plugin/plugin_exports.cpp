#include "distortion/plugin/Mirel.h"

TL_PLUGIN_EXPORT TLPluginInterface* createPlugin() {
    return new distortion::plugin::Mirel();
}
TL_PLUGIN_EXPORT const char* getPluginName() {
    return "Mirel";
}
TL_PLUGIN_EXPORT const char* getPluginDescription() {
    return "~~ EPI distortion correction pipeline: reverse phase-encoding registration (Mirel) ~~<BR>"
           "This plugin corrects EPI data from reverse phase-encoded data (anterior-posterior (AP/PA) and "
           "left-right (LR/RL) via image registration.<BR>"
           "For the manual, please consult the <b><a href=\"MirelPluginHelp/index.html\">Mirel plugin "
           "help</a></b>.<br>";
}
TL_PLUGIN_EXPORT const char* getAuthor() {
    return "<i>The Talvora plug-in team</i>, distortion correction";
}
TL_PLUGIN_EXPORT const char* getHelpFile() {
    return "MirelPluginHelp/index.html";
}
TL_PLUGIN_EXPORT const char* getPluginVersion() {
    return "1.2.2";
}
TL_PLUGIN_EXPORT const char* getQMLFile() {
    return "Mirel_r122.qml";
}
