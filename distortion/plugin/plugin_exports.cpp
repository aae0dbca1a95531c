#include "distortion/plugin/Mirel.h"
#include "frame/deliverables/Mirel_r122.h"
#include "frame/plugin_exports.h"

TL_PLUGIN_EXPORT TLPluginInterface* createPlugin() {
    return new distortion::plugin::Mirel();
}

// The texts the host shows; which of them the library exports is its
// descriptor's list.
namespace plugin_texts {
constexpr const char* getPluginName = "Mirel";
constexpr const char* getPluginDescription =
    "~~ EPI distortion correction pipeline: reverse phase-encoding registration (Mirel) ~~<BR>"
    "This plugin corrects EPI data from reverse phase-encoded data (anterior-posterior (AP/PA) and "
    "left-right (LR/RL) via image registration.<BR>"
    "For the manual, please consult the <b><a href=\"MirelPluginHelp/index.html\">Mirel plugin "
    "help</a></b>.<br>";
constexpr const char* getAuthor = "<i>The Talvora plug-in team</i>, distortion correction";
constexpr const char* getHelpFile = "MirelPluginHelp/index.html";
constexpr const char* getPluginVersion = "1.2.2";
constexpr const char* getQMLFile = "Mirel_r122.qml";
}  // namespace plugin_texts

TL_DEFINE_TEXT_EXPORTS(Mirel_r122)
