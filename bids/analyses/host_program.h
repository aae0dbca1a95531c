#pragma once
// The host runs each plug-in job in a child process: a crash or a hang of one
// participant's plug-in run then ends that participant only, and the job file
// with the host's transcript repeats the run exactly (`talvora run JOB.json`).
// The child is a fork of this program running `talvora run` through the host
// library (no shell, no start of the Qt-linked talvora), unless $TALVORA_EXE
// names a host program to run instead.

#include <filesystem>
#include <optional>
#include <string>

namespace bids::analyses {

// $TALVORA_EXE when set, else nothing (the jobs run in this program). Throws
// naming the path when it is not there.
std::optional<std::filesystem::path> chosenHostProgram();

// The folder the host finds plug-ins in by name: "plugins" beside the
// chosen host program, else beside this program (as beside talvora).
std::filesystem::path hostPluginsFolder();

// Runs `talvora run JOB --transcript TRANSCRIPT` with its output in `log`.
// Throws std::runtime_error naming the job, the host's exit status (128 + the
// signal for a host killed by one) and its last output line when the run does
// not end with status 0.
void runHostJob(const std::filesystem::path& job, const std::filesystem::path& transcript,
                const std::filesystem::path& log);

// A file name or path quoted for the shell.
std::string shellQuoted(const std::string& text);

}  // namespace bids::analyses
