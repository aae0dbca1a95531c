// The text log file written beside a VOI's map file.
#pragma once

#include <string>

namespace granger::io {

// Writes `text` to `path` whole or not at all (replacing an older file);
// throws std::exception with the reason when it cannot.
void writeLogFile(const std::string& path, const std::string& text);

}  // namespace granger::io
