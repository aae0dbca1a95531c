#include "frame/host_table_nodora.h"

namespace tl {

TL_DEFINE_HOST_TABLE_BINDING(NodoraHostTable, g_nodoraHost, bindNodoraHostTable, N, hxGetVersionOfTalvoraHX,
                             "TalvoraHX.exe", "Talvora.exe")

}  // namespace tl
