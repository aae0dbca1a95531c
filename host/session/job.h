// A job file drives one headless run of a plug-in in the stand-in host.
#pragma once

#include "host/session/host_state.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace talvora::session {

class JobError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One command of a form-driven plug-in: parameters to set, the command
// value, and the parameters to print after it ran.
struct JobCommand {
    nlohmann::json parameters = nlohmann::json::object();
    std::string command;
    std::vector<std::string> print;
};

struct Job {
    std::filesystem::path file;  // the job file itself
    std::string plugin;          // a deliverable name or a library path
    tl::Version hostVersion{24, 0, 0};
    std::string moduleName = "Talvora.exe";
    std::filesystem::path workDir;  // absolute; outputs and relative save paths
    std::string logFile = "talvora.log";
    nlohmann::json documents = nlohmann::json::object();
    std::vector<ScriptedAnswer> answers;
    nlohmann::json parameters = nlohmann::json::object();
    std::vector<JobCommand> commands;
    int executions = 1;  // dialog-driven plug-ins: execute calls
};

// Reads and checks a job file; throws JobError naming the file and the problem.
Job readJob(const std::filesystem::path& file);
Job parseJob(const nlohmann::json& root, const std::filesystem::path& file);

// Parses "23.0.0" (or "23.0", "23").
tl::Version parseVersion(const std::string& text);

struct RunResult {
    bool initialised = false;
    std::vector<bool> executeResults;
    std::string error;                       // empty on success
    std::vector<std::string> printed;        // "name = value" lines after commands
    std::vector<std::string> commandErrors;  // form commands that reported an error, in order
    std::vector<std::string> unwritten;      // result or map files that could not be written
    std::size_t filesWritten = 0;            // result or map files written whole
    bool mapsCreated = false;                // the run left maps in the host
    std::string logProblem;                  // the log file is incomplete, and why
};

// Where plug-in libraries are looked for by deliverable name.
std::filesystem::path resolvePluginPath(const std::string& plugin, const std::filesystem::path& jobDir,
                                        const std::filesystem::path& pluginsDir);

// Opens the job's documents (relative paths from the job's folder), as a
// run of the job does; throws JobError naming the file and the problem.
void openJobDocuments(const Job& job);

// Runs the job: opens documents, loads the plug-in, initialises it, executes
// it (once per command for form-driven plug-ins) and destroys it.
RunResult runJob(const Job& job, const std::filesystem::path& pluginsDir);

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
