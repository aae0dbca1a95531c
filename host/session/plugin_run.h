// One run of a plug-in in the host session, the same whoever drives it: the
// job runner, GUI mode and a QML form's bridge. It sets the run up (the
// plug-in's string-parameter buffer, the file outcomes), runs form commands
// and executes, reads each command's own failure texts and collects the
// run's result, from which the exit status follows.
#pragma once

#include "host/session/job.h"
#include "host/session/plugin_loader.h"

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace talvora::session {

class PluginRun {
public:
    // Loads the library (throws PluginError naming it when it does not load)
    // and points the host's plug-in folder at it.
    explicit PluginRun(const std::filesystem::path& library);
    ~PluginRun();
    PluginRun(const PluginRun&) = delete;
    PluginRun& operator=(const PluginRun&) = delete;

    LoadedPlugin& plugin() { return plugin_; }
    // The parameter that carries a form-driven plug-in's command; empty for
    // a dialog-driven one.
    const std::string& commandParameter() const { return commandParameter_; }

    // Starts recording file outcomes, creates and initialises the plug-in.
    // False when initPlugin refused (result().error says why).
    bool start();
    // A form command: stores `parameters`, sets the command parameter to
    // `command`, executes and notes an error the command reported; prints
    // the parameters named in `print` into result().printed.
    bool runCommand(const std::string& command, const nlohmann::json& parameters = nlohmann::json::object(),
                    const std::vector<std::string>& print = {});
    // The command a form stored in the command parameter itself.
    bool runStoredCommand();
    // A dialog-driven plug-in's execute.
    bool execute();
    // Ends the run error of the command that just ran, so that the next
    // command asks its dialogs afresh (GUI mode: the user, not a script, runs
    // the session); the run keeps the first as its error. Returns it.
    std::string endRunError();
    // Destroys the plug-in and collects the run's file outcomes and log.
    void finish();

    // The run so far (complete after finish()).
    const RunResult& result() const { return result_; }
    // The line of the last command's error (empty when it reported none).
    const std::string& lastCommandError() const { return lastCommandError_; }

private:
    LoadedPlugin plugin_;
    std::string commandParameter_;
    RunResult result_;
    std::string lastCommandError_;
    bool recording_ = false;
};

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
