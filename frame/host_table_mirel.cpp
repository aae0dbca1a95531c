#include "frame/host_table_mirel.h"

namespace tl {

TL_DEFINE_HOST_TABLE_BINDING(MirelHostTable, g_mirelHost, bindMirelHostTable, M, tlGetVersionOfTalvora,
                             "Talvora.exe", "TalvoraEDU.exe")

}  // namespace tl

namespace tl {

MirelNumerics g_mirelNumerics;

NumericsBinding bindMirelNumerics() {
    g_mirelNumerics = MirelNumerics{};
    platform::ModuleHandle module = findHostModule({"Talvora.exe", "TalvoraEDU.exe"});
    if (!module) return NumericsBinding::MissingMatrixFunctions;
#define TL_NUMERIC_BIND(name)                                                                              \
    g_mirelNumerics.name = reinterpret_cast<UntypedHostFunction>(platform::GetProcAddress(module, #name)); \
    if (!g_mirelNumerics.name) return NumericsBinding::MissingMatrixFunctions;
    TALVORA_NUMERIC_MATRIX_FUNCTIONS(TL_NUMERIC_BIND)
#undef TL_NUMERIC_BIND
    module = findHostModule({"Talvora.exe", "TalvoraEDU.exe"});
    if (!module) return NumericsBinding::MissingFourierFunctions;
#define TL_NUMERIC_BIND(name)                                                                              \
    g_mirelNumerics.name = reinterpret_cast<UntypedHostFunction>(platform::GetProcAddress(module, #name)); \
    if (!g_mirelNumerics.name) return NumericsBinding::MissingFourierFunctions;
    TALVORA_NUMERIC_FFT_FUNCTIONS(TL_NUMERIC_BIND)
#undef TL_NUMERIC_BIND
    return NumericsBinding::Bound;
}

}  // namespace tl
