// The host access of each deliverable, one per process side of a plug-in
// library. Each plug-in reaches the host only through its own.
#pragma once

#include "frame/deliverables.h"
#include "frame/host_access.h"

namespace tl {

extern HostAccess g_latmapAccess;
extern HostAccess g_causalisAccess;
extern HostAccess g_mirelAccess;
extern HostAccess g_nodoraAccess;

// Their tables, which tests fill with fake host functions.
extern HostTable& g_latmapHost;
extern HostTable& g_causalisHost;
extern HostTable& g_mirelHost;
extern HostTable& g_nodoraHost;

}  // namespace tl
