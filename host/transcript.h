#pragma once

#include "host/job.h"

#include <string>

namespace talvora {

// Writes the run's dialogs, log lines and result as JSON, whole or not at all.
void writeTranscript(const std::string& path, const RunResult& result);

}  // namespace talvora
