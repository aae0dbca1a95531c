// Reading the first map of a ".map" file as written by the host.
#pragma once

#include "distortion/core/containers.h"

#include <istream>
#include <string>

namespace distortion::io {

using core::Volume;

// Throws OpenFileError ("could not open file <name>") or ReadFileError
// ("error reading from binary file").
Volume readMapFile(const std::string& fileName);
Volume readMapStream(std::istream& in);

}  // namespace distortion::io
