#include "granger/VUVIrurar.h"

#include "frame/host_table_causalis.h"
#include "frame/version_gate.h"

using tl::g_causalisHost;

bool VUVIrurar::initPlugin() {
  if (!tl::bindCausalisHostTable()) return false;
  return tl::hostVersionAccepted(g_causalisHost.tlGetVersionOfTalvora, g_causalisHost.hxMessageBox, {23, 0, 0},
                                 "Can not execute this plugin - Talvora version 23.0 or higher required.");
}

bool VUVIrurar::execute() {
  if (g_causalisHost.hxLogText)
    g_causalisHost.hxLogText("// GCM> Granger causality mapping is not available in this build.");
  return true;
}
