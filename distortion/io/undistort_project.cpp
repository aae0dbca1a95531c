#include "distortion/io/undistort_project.h"

#include "distortion/core/vdm.h"
#include "distortion/io/file_names.h"

namespace mirel {

void undistortProject(Project& p, const Volume& map, bool transpose) {
    HeaderEntry& amr = p.entry("LoadAMRFile");
    if (amr.present) amr.text.clear();
    HeaderEntry& show = p.entry("ShowAMRFile");
    if (show.present) show.boolValue = false;
    for (Volume& v : p.volumes) {
        if (!transpose)
            v = undistortCubic(v, map, false);
        else
            v = undistortCubic(v.exchangedXY(), map, false).exchangedXY();
    }
    writeProject(p, undistortedFileName(p.path));
}

}  // namespace mirel
