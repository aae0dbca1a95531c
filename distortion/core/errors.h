// Error types of the distortion correction and its internal checks.
#pragma once

#include <stdexcept>
#include <string>

namespace distortion::core {

struct IOError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct OpenFileError : IOError {
    using IOError::IOError;
};
struct ReadFileError : IOError {
    using IOError::IOError;
};
struct WriteFileError : IOError {
    using IOError::IOError;
};

// The file name only, so messages stay the same wherever the sources live.
std::string sourceFileName(const char* path);

[[noreturn]] void assertionFailure(const char* file, int line, const char* condition);

}  // namespace distortion::core

// Internal consistency check: a violated condition ends the command with a
// logic error naming the source file, line and condition.
#define MIREL_ASSERT(cond)                                                            \
    do {                                                                              \
        if (!(cond)) ::distortion::core::assertionFailure(__FILE__, __LINE__, #cond); \
    } while (0)
