#include "frame/numeric_services.h"

#include "frame/deliverables/Mirel_r122.h"
#include "frame/module_lookup.h"

namespace tl {
namespace {

platform::ModuleHandle mirelHostModule() {
    for (const char* name : deliverables::kMirel.hostModules)
        if (platform::ModuleHandle module = platform::GetModuleHandleA(name)) return module;
    return nullptr;
}

}  // namespace

MirelNumerics g_mirelNumerics;

NumericsBinding bindMirelNumerics() {
    g_mirelNumerics = MirelNumerics{};
    platform::ModuleHandle module = mirelHostModule();
    if (!module) return NumericsBinding::MissingMatrixFunctions;
#define TL_NUMERIC_BIND(name)                                                                              \
    g_mirelNumerics.name = reinterpret_cast<UntypedHostFunction>(platform::GetProcAddress(module, #name)); \
    if (!g_mirelNumerics.name) return NumericsBinding::MissingMatrixFunctions;
    TALVORA_NUMERIC_MATRIX_FUNCTIONS(TL_NUMERIC_BIND)
#undef TL_NUMERIC_BIND
#define TL_NUMERIC_BIND(name)                                                                              \
    g_mirelNumerics.name = reinterpret_cast<UntypedHostFunction>(platform::GetProcAddress(module, #name)); \
    if (!g_mirelNumerics.name) return NumericsBinding::MissingFourierFunctions;
    TALVORA_NUMERIC_FFT_FUNCTIONS(TL_NUMERIC_BIND)
#undef TL_NUMERIC_BIND
    return NumericsBinding::Bound;
}

}  // namespace tl
