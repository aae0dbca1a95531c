// A fixed calendar clock for reproducible runs: a plug-in that seeds random
// numbers from the clock asks the host for it. The variable
// TALVORA_GCM_FIXED_CLOCK (whole seconds) fixes it; otherwise -1, the real clock.
#include "host/services/host_exports.h"

#include <cerrno>
#include <cstdlib>

TALVORA_HOST_EXPORT long long talvoraFixedClock() {
    const char* fixed = std::getenv("TALVORA_GCM_FIXED_CLOCK");
    if (!fixed || !*fixed) return -1;
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(fixed, &end, 10);
    return (*end == '\0' && errno == 0 && seconds >= 0) ? seconds : -1;
}
