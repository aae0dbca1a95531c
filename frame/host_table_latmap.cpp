#include "frame/host_table_latmap.h"

namespace tl {

LatmapHostTable g_latmapHost;

bool bindLatmapHostTable() {
  platform::ModuleHandle module = findHostModule({"Talvora.exe", "TalvoraEDU.exe"});
  if (!module) return false;
  g_latmapHost = LatmapHostTable{};
  g_latmapHost.tlGetVersionOfTalvora = reinterpret_cast<decltype(g_latmapHost.tlGetVersionOfTalvora)>(platform::GetProcAddress(module, "tlGetVersionOfTalvora"));
  if (!g_latmapHost.tlGetVersionOfTalvora) return false;
#define TL_BIND_ONE(name, n, m, g, l, typed, ret, params) TL_BIND(TL_SEL_L(n, m, g, l), g_latmapHost, module, name)
  TALVORA_HOST_FUNCTIONS(TL_BIND_ONE)
#undef TL_BIND_ONE
  return true;
}

} // namespace tl
