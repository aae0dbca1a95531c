#include "frame/host_table_causalis.h"

namespace tl {

TL_DEFINE_HOST_TABLE_BINDING(CausalisHostTable, g_causalisHost, bindCausalisHostTable, G,
                             tlGetVersionOfTalvora, "Talvora.exe", "TalvoraEDU.exe")

}  // namespace tl
