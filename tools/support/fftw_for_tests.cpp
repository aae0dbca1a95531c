#include "tools/support/fftw_for_tests.h"

#include <fftw3.h>

const distortion::core::FftApi& fftwForTests() {
    static const distortion::core::FftApi api = [] {
        distortion::core::FftApi a;
        a.malloc = fftwf_malloc;
        a.free = fftwf_free;
        a.planR2c3d = fftwf_plan_dft_r2c_3d;
        a.planC2r3d = fftwf_plan_dft_c2r_3d;
        a.execute = fftwf_execute;
        a.destroyPlan = fftwf_destroy_plan;
        return a;
    }();
    return api;
}
