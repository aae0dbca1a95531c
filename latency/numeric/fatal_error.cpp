#include "latency/numeric/fatal_error.h"

#include <cstdio>

namespace latency::numeric {

void fatalError(const std::string& message) {
    std::fputs("Numerical Recipes run-time error...\n", stderr);
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fputs("...now exiting to system...\n", stderr);
    std::fflush(stderr);
    throw FatalError(message);
}

}  // namespace latency::numeric
