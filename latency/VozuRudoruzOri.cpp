#include "latency/VozuRudoruzOri.h"

#include "frame/host_table_latmap.h"
#include "frame/version_gate.h"

using tl::g_latmapHost;

bool VozuRudoruzOri::initPlugin() { return true; }

bool VozuRudoruzOri::execute() {
  // Bound on every run: the host may have changed since the last one.
  if (!tl::bindLatmapHostTable()) return false;
  tl::Version have;
  g_latmapHost.tlGetVersionOfTalvora(&have.major, &have.minor, &have.patch);
  if (!tl::versionAtLeast(have, {22, 0, 0})) {
    if (g_latmapHost.hxMessageBox)
      g_latmapHost.hxMessageBox("Can not execute this plugin - Talvora version 22.0 or higher required.");
    return false;
  }
  if (g_latmapHost.hxLogText) g_latmapHost.hxLogText("VOZU Rudoruz Ori> latency mapping is not available in this build.");
  return true;
}
