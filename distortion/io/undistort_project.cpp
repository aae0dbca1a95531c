#include "distortion/io/undistort_project.h"

#include "distortion/core/nonfinite.h"
#include "distortion/io/file_names.h"

namespace distortion::io {

using namespace core;

std::string nonFiniteReport(const std::string& path, std::size_t volume, std::size_t count) {
    return "Warning: " + path + ", volume " + std::to_string(volume) + ": " + std::to_string(count) +
           (count == 1 ? " value is not a finite number" : " values are not finite numbers") +
           " (kept as NaN, counted as 0 when resampling their neighbours)";
}

void undistortProject(Project& p, const Volume& map, bool transpose, std::ostream* log) {
    HeaderEntry& amr = p.entry("LoadAMRFile");
    if (amr.present) amr.text.clear();
    HeaderEntry& show = p.entry("ShowAMRFile");
    if (show.present) show.boolValue = false;
    for (std::size_t t = 0; t < p.volumes.size(); ++t) {
        Volume& v = p.volumes[t];
        const std::size_t bad = countNonFinite(v);
        if (bad > 0 && log) *log << nonFiniteReport(p.path, t, bad) << std::endl;
        if (!transpose)
            v = undistortCubicKeepingNonFiniteLocal(v, map, false);
        else
            v = undistortCubicKeepingNonFiniteLocal(v.exchangedXY(), map, false).exchangedXY();
    }
    writeProject(p, undistortedFileName(p.path));
}

}  // namespace distortion::io
