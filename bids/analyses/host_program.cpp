#include "bids/analyses/host_program.h"

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

fs::path hostProgram() {
    if (const char* given = std::getenv("TALVORA_EXE"); given && *given) {
        if (!fs::is_regular_file(given))
            throw std::runtime_error(std::string(given) + " (TALVORA_EXE): no such program");
        return given;
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path host = self.parent_path() / "talvora";
    if (error || !fs::is_regular_file(host))
        throw std::runtime_error(host.string() +
                                 ": the stand-in host talvora is not beside talvora-bids (set TALVORA_EXE)");
    return host;
}

namespace {

std::string lastLine(const fs::path& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

}  // namespace

void runHostJob(const fs::path& job, const fs::path& transcript, const fs::path& log) {
    // exec: the shell becomes the host instead of waiting for it, one process less.
    const std::string command = "exec " + shellQuoted(hostProgram().string()) + " run " +
                                shellQuoted(job.string()) + " --transcript " +
                                shellQuoted(transcript.string()) + " </dev/null >" +
                                shellQuoted(log.string()) + " 2>&1";
    const int raw = std::system(command.c_str());
    // A host killed by a signal reads as the shell says it: 128 + the signal.
    const int status = raw == -1          ? -1
                       : WIFEXITED(raw)   ? WEXITSTATUS(raw)
                       : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw)
                                          : -1;
    if (status != 0)
        throw std::runtime_error(job.string() + ": the host ended with status " + std::to_string(status) +
                                 ": " + lastLine(log) + " (its output: " + log.string() + ")");
}

}  // namespace bids::analyses
