#include "graph/tlplugin.h"

#include "frame/host_table_nodora.h"
#include "frame/version_gate.h"

#include <string>

using tl::g_nodoraHost;

namespace {
const char* const kPluginName = "Graph Analysis";
}

bool tlplugin::initPlugin() {
  if (!tl::bindNodoraHostTable()) return false;
  tl::Version have;
  g_nodoraHost.hxGetVersionOfTalvoraHX(&have.major, &have.minor, &have.patch);
  if (!tl::versionAtLeast(have, {2, 6, 0})) {
    if (g_nodoraHost.hxMessageBox)
      g_nodoraHost.hxMessageBox("Plugin> Can not execute this plugin - TalvoraHX version 2.6.0 or higher required.");
    return false;
  }
  if (g_nodoraHost.hxShowLogPane) g_nodoraHost.hxShowLogPane();
  if (g_nodoraHost.hxLogText) {
    g_nodoraHost.hxLogText(("Plugin> ** Starting " + std::string(kPluginName) + " **").c_str());
    g_nodoraHost.hxLogText("Plugin> Updates are published with the plug-in's release notes in its help folder.");
    g_nodoraHost.hxLogText("Plugin> Questions: contact the Talvora plug-in team.");
  }
  dialog_ = nullptr;
  return true;
}

bool tlplugin::execute() {
  // The main dialog arrives with the graph user interface.
  return true;
}
