// Undistorting a whole project with a displacement map and writing it
// under its "_undist" name.
#pragma once

#include "distortion/core/containers.h"
#include "distortion/io/project_files.h"

namespace mirel {

// `map` is in the orientation of the estimation: with `transpose` each
// volume is transposed, resampled and transposed back.
void undistortProject(Project& p, const Volume& map, bool transpose);

}  // namespace mirel
