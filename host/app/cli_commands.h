#pragma once

#include "frame/version_gate.h"
#include "host/session/job.h"

#include <functional>
#include <string>
#include <vector>

namespace talvora::app {

struct CliOptions {
    std::string programPath;
    std::vector<std::string> plugins;
    std::string job;
    std::string transcript;
    bool interactive = false;
    std::string pluginsDir;
    std::string hostVersion;
    std::string moduleName;
    int quitAfterMs = 0;
};

// The program's commands. `runJobCommand` is `talvora run` itself, also
// for other programs that run a job as talvora would (talvora-bids).
int runInfo(const CliOptions& opts);
int runJobCommand(const CliOptions& opts);
int runGui(const CliOptions& opts, int argc, char** argv);

// Runs one of the commands as the program does: an error that escapes it is
// said on standard error ("talvora: <what>") and gives exit status 2.
int runReportingErrors(const std::function<int()>& command);

// The host identity options (--host-version, --module), read and applied
// here only: onto the host itself (info, gui) or onto a job, whose own
// identity they override (run). A malformed version throws naming the option.
void applyHostOptions(const CliOptions& opts, tl::Version& version, std::string& moduleName);

// Says why a finished run failed and gives its exit status (docs/host.md);
// `formCommands`: the run ran form commands (not held to writing a file).
int reportRunStatus(const std::string& job, const RunResult& result, bool formCommands,
                    const std::function<void(const std::string&)>& say);

// The plug-in folder: --plugins-dir, else "plugins" beside the program.
std::string defaultPluginsDir(const CliOptions& opts);

}  // namespace talvora::app

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace app;
}  // namespace talvora
