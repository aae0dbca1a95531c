// How the host tells that a form-driven plug-in's command failed. `execute`
// of the distortion plug-in returns true even when its command ended in an
// error, and the Granger plug-in publishes no result code, so the host reads
// each plug-in's own failure texts in what the command showed and logged.
#pragma once

#include "host/session/host_state.h"

#include <optional>
#include <string>
#include <vector>

namespace talvora::session {

// What one command showed and logged (only the events and lines it added).
struct CommandTrace {
    std::vector<DialogEvent> dialogs;
    std::vector<std::string> logLines;
};

// The error the command reported, as the plug-in worded it, or nullopt when
// it reported none (or the deliverable has no known failure texts).
std::optional<std::string> commandError(const std::string& deliverable, const CommandTrace& trace);

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
