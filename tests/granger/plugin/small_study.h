// The Granger plug-in tests' small generated study: a 6x4x1 grid of 120
// volumes, quick to compute yet long enough for every time-window method.
#pragma once

#include "tools/make_study/granger_study.h"

#include <string>

namespace granger_test {

inline study::GrangerStudyOptions smallStudy(int subjects, const std::string& settings) {
    study::GrangerStudyOptions o;
    o.subjects = subjects;
    o.dimX = 6;
    o.dimY = 4;
    o.dimZ = 1;
    o.volumes = 120;
    o.settings = settings;
    return o;
}

}  // namespace granger_test
