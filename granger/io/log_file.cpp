#include "granger/io/log_file.h"

#include "frame/atomic_file.h"

#include <ostream>

namespace granger::io {

void writeLogFile(const std::string& path, const std::string& text) {
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << text; });
}

}  // namespace granger::io
