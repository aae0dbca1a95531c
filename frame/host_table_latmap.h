#pragma once

#include "frame/host_table.h"

namespace tl {

// The LatmapHostTable deliverable's host functions; filled by bindLatmapHostTable().
extern LatmapHostTable g_latmapHost;

// Finds the host module ("Talvora.exe", then "TalvoraEDU.exe") and fills g_latmapHost. False when no
// host module is loaded or it does not export tlGetVersionOfTalvora.
bool bindLatmapHostTable();

}  // namespace tl
