#pragma once

#include "frame/host_table.h"

namespace tl {

// The NodoraHostTable deliverable's host functions; filled by bindNodoraHostTable().
extern NodoraHostTable g_nodoraHost;

// Finds the host module ("TalvoraHX.exe", then "Talvora.exe") and fills g_nodoraHost. False when no
// host module is loaded or it does not export hxGetVersionOfTalvoraHX.
bool bindNodoraHostTable();

}  // namespace tl
