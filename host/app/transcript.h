#pragma once

#include "host/session/job.h"

#include <string>

namespace talvora::app {

// Writes the run's dialogs, log lines and result as JSON, whole or not at
// all; throws when the file cannot be written.
void writeTranscript(const std::string& path, const RunResult& result);

// Plug-ins hand the host 8-bit text in any encoding (a Latin-1 VOI name), but
// JSON holds UTF-8 only: every byte that is not part of a well-formed UTF-8
// sequence becomes the four characters \xHH.
std::string escapeNonUtf8(const std::string& text);

}  // namespace talvora::app

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace app;
}  // namespace talvora
