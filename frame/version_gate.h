#pragma once

namespace tl {

struct Version {
  int major = 0, minor = 0, patch = 0;
};

// Lexicographic comparison of (major, minor, patch).
constexpr bool versionAtLeast(Version have, Version need) {
  if (have.major != need.major) return have.major > need.major;
  if (have.minor != need.minor) return have.minor > need.minor;
  return have.patch >= need.patch;
}

} // namespace tl
