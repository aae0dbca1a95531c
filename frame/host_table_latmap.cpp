#include "frame/host_table_latmap.h"

namespace tl {

TL_DEFINE_HOST_TABLE_BINDING(LatmapHostTable, g_latmapHost, bindLatmapHostTable, L, tlGetVersionOfTalvora,
                             "Talvora.exe", "TalvoraEDU.exe")

}  // namespace tl
