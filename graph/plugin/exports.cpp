#include "frame/deliverables/Nodora.h"
#include "frame/plugin_exports.h"
#include "graph/plugin/tlplugin.h"

using graph::plugin::tlplugin;

TL_PLUGIN_EXPORT TLHXPluginInterface* createPlugin() {
    return new tlplugin();
}

// The texts the host shows; which of them the library exports is its
// descriptor's list.
namespace plugin_texts {
constexpr const char* getPluginName = "Graph Analysis";
constexpr const char* getPluginDescription = "";
constexpr const char* getAuthor = "<i>The Talvora plug-in team</i>, connectivity graph analysis";
constexpr const char* getHelpFile = "index.html";
constexpr const char* getPluginVersion = "1.0.0-alpha";
constexpr const char* getGUIScript = "Nodora.js";
}  // namespace plugin_texts

TL_DEFINE_TEXT_EXPORTS(Nodora)
