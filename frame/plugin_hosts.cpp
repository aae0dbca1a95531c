#include "frame/plugin_hosts.h"

namespace tl {

HostAccess g_latmapAccess(deliverables::kLatmapPlugin);
HostAccess g_causalisAccess(deliverables::kCausalisPlugin);
HostAccess g_mirelAccess(deliverables::kMirel);
HostAccess g_nodoraAccess(deliverables::kNodora);

HostTable& g_latmapHost = g_latmapAccess.table();
HostTable& g_causalisHost = g_causalisAccess.table();
HostTable& g_mirelHost = g_mirelAccess.table();
HostTable& g_nodoraHost = g_nodoraAccess.table();

}  // namespace tl
