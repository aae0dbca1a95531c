#pragma once
// The stand-in host program `talvora`, run as a child process for each
// plug-in job: a crash or a hang of one participant's plug-in run then ends
// that participant only, and the job file with the host's transcript repeats
// the run exactly (`talvora run JOB.json`).

#include <filesystem>
#include <string>

namespace bids::analyses {

// $TALVORA_EXE when set, else `talvora` beside this program. Throws naming
// the path when it is not there.
std::filesystem::path hostProgram();

// Runs `talvora run JOB --transcript TRANSCRIPT` with its output in `log`.
// Throws std::runtime_error naming the job, the host's exit status and its
// last output line when the run does not end with status 0.
void runHostJob(const std::filesystem::path& job, const std::filesystem::path& transcript,
                const std::filesystem::path& log);

// A file name or path quoted for the shell.
std::string shellQuoted(const std::string& text);

}  // namespace bids::analyses
