#pragma once

#include "frame/host_table.h"

namespace tl {

// The MirelHostTable deliverable's host functions; filled by bindMirelHostTable().
extern MirelHostTable g_mirelHost;

// Finds the host module ("Talvora.exe", then "TalvoraEDU.exe") and fills g_mirelHost. False when no
// host module is loaded or it does not export tlGetVersionOfTalvora.
bool bindMirelHostTable();

}  // namespace tl

namespace tl {

// The host's matrix-product and Fourier-transform services, bound apart from
// the table because the distortion plug-in cannot work without them.
struct MirelNumerics {
#define TL_NUMERIC_FIELD(name) UntypedHostFunction name = nullptr;
    TALVORA_NUMERIC_MATRIX_FUNCTIONS(TL_NUMERIC_FIELD)
    TALVORA_NUMERIC_FFT_FUNCTIONS(TL_NUMERIC_FIELD)
#undef TL_NUMERIC_FIELD
};
extern MirelNumerics g_mirelNumerics;

enum class NumericsBinding { Bound, MissingMatrixFunctions, MissingFourierFunctions };

// Every one of the ten functions is mandatory.
NumericsBinding bindMirelNumerics();

}  // namespace tl
