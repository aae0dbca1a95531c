// Undistorting a whole project with a displacement map and writing it
// under its "_undist" name.
#pragma once

#include "distortion/core/containers.h"
#include "distortion/io/project_files.h"

#include <cstddef>
#include <ostream>
#include <string>

namespace distortion::io {

using core::Volume;

// `map` is in the orientation of the estimation: with `transpose` each
// volume is transposed, resampled and transposed back. Values that are not
// finite numbers stay NaN in the output and do not spread; each volume
// holding some is reported on `log` (file, volume counted from 0, count).
void undistortProject(Project& p, const Volume& map, bool transpose, std::ostream* log = nullptr);

// The report line for `count` non-finite values in one volume of a file.
std::string nonFiniteReport(const std::string& path, std::size_t volume, std::size_t count);

}  // namespace distortion::io
