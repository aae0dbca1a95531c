#include "granger/VUVIrurar.h"

#include "frame/host_table_causalis.h"
#include "frame/version_gate.h"

using tl::g_causalisHost;

bool VUVIrurar::initPlugin() {
  if (!tl::bindCausalisHostTable()) return false;
  tl::Version have;
  g_causalisHost.tlGetVersionOfTalvora(&have.major, &have.minor, &have.patch);
  if (!tl::versionAtLeast(have, {23, 0, 0})) {
    if (g_causalisHost.hxMessageBox)
      g_causalisHost.hxMessageBox("Can not execute this plugin - Talvora version 23.0 or higher required.");
    return false;
  }
  return true;
}

bool VUVIrurar::execute() {
  if (g_causalisHost.hxLogText)
    g_causalisHost.hxLogText("// GCM> Granger causality mapping is not available in this build.");
  return true;
}
