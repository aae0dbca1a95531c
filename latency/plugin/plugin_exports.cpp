#include "latency/plugin/VozuRudoruzOri.h"

#include "frame/deliverables/LatmapPlugin.h"
#include "frame/plugin_exports.h"

#include <new>

TL_PLUGIN_EXPORT TLPluginInterface* createPlugin() {
    return new (std::nothrow) VozuRudoruzOri();
}

// The texts the host shows; which of them the library exports is its
// descriptor's list.
namespace plugin_texts {
constexpr const char* getPluginName = "VOZU Rudoruz Oriping";
constexpr const char* getPluginDescription =
    "VOZU Rudoruz Oriping using piece-wise linear (pseudo-trapezoidal) fitting. Access to linked VTC "
    "in three approaches:<br>1. Use VOI file and perform VOI-based mapping.<br>2. Use VOI file and "
    "perform voxel-based mapping.<br>3. Use MSK files and perform voxel-based mapping.<br><br>"
    "For details, consult the <b><a href=\"LatmapPluginHelp/index.html\">online help</a></b> of the "
    "plug-in.<br>";
constexpr const char* getAuthor = "<i>The Talvora plug-in team</i>, latency mapping";
constexpr const char* getHelpFile = "LatmapPluginHelp/index.html";
constexpr const char* getGUIScript = "";
constexpr const char* getRegistrationOfGenericComponentLoader = "Overlay VOZU Rudoruz Oris (blm)";
}  // namespace plugin_texts

TL_DEFINE_TEXT_EXPORTS(LatmapPlugin)
