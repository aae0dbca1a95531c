#include "bids/analyses/host_program.h"

#include "host/app/cli_commands.h"
#include "host/platform/platform.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>

namespace bids::analyses {
namespace fs = std::filesystem;

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::optional<fs::path> chosenHostProgram() {
    const char* given = std::getenv("TALVORA_EXE");
    if (!given || !*given) return std::nullopt;
    if (!fs::is_regular_file(given))
        throw std::runtime_error(std::string(given) + " (TALVORA_EXE): no such program");
    return fs::path(given);
}

fs::path hostPluginsFolder() {
    if (const auto program = chosenHostProgram()) return program->parent_path() / "plugins";
    return fs::u8path(talvora::app::defaultPluginsDir({}));
}

namespace {

std::string lastLine(const fs::path& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

int runInHostProgram(const fs::path& program, const fs::path& job, const fs::path& transcript,
                     const fs::path& log) {
    // exec: the shell becomes the host instead of waiting for it, one process less.
    const std::string command =
        "exec " + shellQuoted(program.string()) + " run " + shellQuoted(job.string()) + " --transcript " +
        shellQuoted(transcript.string()) + " </dev/null >" + shellQuoted(log.string()) + " 2>&1";
    const int raw = std::system(command.c_str());
    // A host killed by a signal reads as the shell says it: 128 + the signal.
    return raw == -1 ? -1 : WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}

// `talvora run` itself in a child of this program, with the options the
// program's command line would give it.
int runInThisProgram(const fs::path& job, const fs::path& transcript, const fs::path& log) {
    talvora::app::CliOptions options;
    options.job = job.string();
    options.transcript = transcript.string();
    return talvora::platform::runInChildProcess(
        [&] {
            return talvora::app::runReportingErrors([&] { return talvora::app::runJobCommand(options); });
        },
        log);
}

}  // namespace

void runHostJob(const fs::path& job, const fs::path& transcript, const fs::path& log) {
    const auto program = chosenHostProgram();
    const int status =
        program ? runInHostProgram(*program, job, transcript, log) : runInThisProgram(job, transcript, log);
    if (status != 0)
        throw std::runtime_error(job.string() + ": the host ended with status " + std::to_string(status) +
                                 ": " + lastLine(log) + " (its output: " + log.string() + ")");
}

}  // namespace bids::analyses
