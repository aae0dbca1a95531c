#pragma once

#include "frame/host_table.h"

namespace tl {

// The CausalisHostTable deliverable's host functions; filled by bindCausalisHostTable().
extern CausalisHostTable g_causalisHost;

// Finds the host module ("Talvora.exe", then "TalvoraEDU.exe") and fills g_causalisHost. False when no
// host module is loaded or it does not export tlGetVersionOfTalvora.
bool bindCausalisHostTable();

}  // namespace tl
