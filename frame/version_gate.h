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

// Reads the host's version; when it is below `need`, shows `message` (if the
// host has a message box) and returns false.
inline bool hostVersionAccepted(void (*getVersion)(int*, int*, int*), void (*messageBox)(const char*),
                                Version need, const char* message) {
    Version have;
    getVersion(&have.major, &have.minor, &have.patch);
    if (versionAtLeast(have, need)) return true;
    if (messageBox) messageBox(message);
    return false;
}

}  // namespace tl
