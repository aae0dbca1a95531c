#include "distortion/core/errors.h"

#include <cstring>

namespace distortion::core {

std::string sourceFileName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* back = std::strrchr(path, '\\');
    if (back && (!slash || back > slash)) slash = back;
    return slash ? slash + 1 : path;
}

void assertionFailure(const char* file, int line, const char* condition) {
    throw std::logic_error("assertion failure (" + sourceFileName(file) + ":" + std::to_string(line) +
                           "): " + condition);
}

}  // namespace distortion::core
