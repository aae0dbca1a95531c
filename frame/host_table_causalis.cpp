#include "frame/host_table_causalis.h"

namespace tl {

CausalisHostTable g_causalisHost;

bool bindCausalisHostTable() {
  platform::ModuleHandle module = findHostModule({"Talvora.exe", "TalvoraEDU.exe"});
  if (!module) return false;
  g_causalisHost = CausalisHostTable{};
  g_causalisHost.tlGetVersionOfTalvora = reinterpret_cast<decltype(g_causalisHost.tlGetVersionOfTalvora)>(platform::GetProcAddress(module, "tlGetVersionOfTalvora"));
  if (!g_causalisHost.tlGetVersionOfTalvora) return false;
#define TL_BIND_ONE(name, n, m, g, l, typed, ret, params) TL_BIND(TL_SEL_G(n, m, g, l), g_causalisHost, module, name)
  TALVORA_HOST_FUNCTIONS(TL_BIND_ONE)
#undef TL_BIND_ONE
  return true;
}

} // namespace tl
