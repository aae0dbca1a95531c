#include "frame/host_table_nodora.h"

namespace tl {

NodoraHostTable g_nodoraHost;

bool bindNodoraHostTable() {
  platform::ModuleHandle module = findHostModule({"TalvoraHX.exe", "Talvora.exe"});
  if (!module) return false;
  g_nodoraHost = NodoraHostTable{};
  g_nodoraHost.hxGetVersionOfTalvoraHX = reinterpret_cast<decltype(g_nodoraHost.hxGetVersionOfTalvoraHX)>(platform::GetProcAddress(module, "hxGetVersionOfTalvoraHX"));
  if (!g_nodoraHost.hxGetVersionOfTalvoraHX) return false;
#define TL_BIND_ONE(name, n, m, g, l, typed, ret, params) TL_BIND(TL_SEL_N(n, m, g, l), g_nodoraHost, module, name)
  TALVORA_HOST_FUNCTIONS(TL_BIND_ONE)
#undef TL_BIND_ONE
  return true;
}

} // namespace tl
