// Output names derived from an input path.
#pragma once

#include <string>
#include <vector>

namespace distortion::io {

// The path up to its last "." (all of it without one), ".", the extension.
std::string replaceExtension(const std::string& path, const std::string& extension);
// The suffix in front of the last "." (at the end without one).
std::string insertSuffix(const std::string& path, const std::string& suffix);
bool endsWith(const std::string& text, const std::string& end);
bool isFMR(const std::string& path);
bool isDMR(const std::string& path);
// Lines split at line feeds; empty lines dropped.
std::vector<std::string> splitLines(const std::string& text);

inline std::string vdmFileName(const std::string& p) {
    return insertSuffix(replaceExtension(p, "map"), "_vdm");
}
inline std::string vdmDerivativeFileName(const std::string& p) {
    return insertSuffix(replaceExtension(p, "map"), "_vdmderiv");
}
inline std::string undistortedFileName(const std::string& p) {
    return insertSuffix(p, "_undist");
}

}  // namespace distortion::io
