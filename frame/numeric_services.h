// The host's matrix-product and Fourier-transform services, bound apart from
// the host table because the distortion plug-in cannot work without them.
#pragma once

#include "frame/host_table.h"

namespace tl {

struct MirelNumerics {
#define TL_NUMERIC_FIELD(name) UntypedHostFunction name = nullptr;
    TALVORA_NUMERIC_MATRIX_FUNCTIONS(TL_NUMERIC_FIELD)
    TALVORA_NUMERIC_FFT_FUNCTIONS(TL_NUMERIC_FIELD)
#undef TL_NUMERIC_FIELD
};
extern MirelNumerics g_mirelNumerics;

enum class NumericsBinding { Bound, MissingMatrixFunctions, MissingFourierFunctions };

// Looks in the distortion deliverable's host module; every one of the ten
// functions is mandatory.
NumericsBinding bindMirelNumerics();

}  // namespace tl
