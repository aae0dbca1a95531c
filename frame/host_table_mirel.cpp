#include "frame/host_table_mirel.h"

namespace tl {

MirelHostTable g_mirelHost;

bool bindMirelHostTable() {
  platform::ModuleHandle module = findHostModule({"Talvora.exe", "TalvoraEDU.exe"});
  if (!module) return false;
  g_mirelHost = MirelHostTable{};
  g_mirelHost.tlGetVersionOfTalvora = reinterpret_cast<decltype(g_mirelHost.tlGetVersionOfTalvora)>(platform::GetProcAddress(module, "tlGetVersionOfTalvora"));
  if (!g_mirelHost.tlGetVersionOfTalvora) return false;
#define TL_BIND_ONE(name, n, m, g, l, typed, ret, params) TL_BIND(TL_SEL_M(n, m, g, l), g_mirelHost, module, name)
  TALVORA_HOST_FUNCTIONS(TL_BIND_ONE)
#undef TL_BIND_ONE
  return true;
}

} // namespace tl

namespace tl {

MirelNumerics g_mirelNumerics;

NumericsBinding bindMirelNumerics() {
  g_mirelNumerics = MirelNumerics{};
  platform::ModuleHandle module = findHostModule({"Talvora.exe", "TalvoraEDU.exe"});
  if (!module) return NumericsBinding::MissingMatrixFunctions;
#define TL_NUMERIC_BIND(name)                                                              \
  g_mirelNumerics.name = reinterpret_cast<UntypedHostFunction>(platform::GetProcAddress(module, #name)); \
  if (!g_mirelNumerics.name) return NumericsBinding::MissingMatrixFunctions;
  TALVORA_NUMERIC_MATRIX_FUNCTIONS(TL_NUMERIC_BIND)
#undef TL_NUMERIC_BIND
  module = findHostModule({"Talvora.exe", "TalvoraEDU.exe"});
  if (!module) return NumericsBinding::MissingFourierFunctions;
#define TL_NUMERIC_BIND(name)                                                              \
  g_mirelNumerics.name = reinterpret_cast<UntypedHostFunction>(platform::GetProcAddress(module, #name)); \
  if (!g_mirelNumerics.name) return NumericsBinding::MissingFourierFunctions;
  TALVORA_NUMERIC_FFT_FUNCTIONS(TL_NUMERIC_BIND)
#undef TL_NUMERIC_BIND
  return NumericsBinding::Bound;
}

} // namespace tl
