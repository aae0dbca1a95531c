#include "host/session/plugin_run.h"

#include "host/documents/doc_store.h"
#include "host/session/command_errors.h"
#include "host/session/deliverables.h"
#include "host/session/host_state.h"
#include "host/session/run_outputs.h"

namespace talvora::session {
namespace fs = std::filesystem;

PluginRun::PluginRun(const fs::path& library) : plugin_(library.string()) {
    HostState::instance().pluginsPath = fs::absolute(library).parent_path().string() + "/";
    commandParameter_ = commandParameterOf(plugin_.info().deliverable);
}

PluginRun::~PluginRun() {
    if (recording_) RunOutputs::instance().stop();
}

bool PluginRun::start() {
    HostState& host = HostState::instance();
    RunOutputs::instance().start();
    recording_ = true;
    plugin_.create();
    host.stringParameterBuffer = stringParameterBufferOf(plugin_.info().deliverable);
    result_.initialised = plugin_.initPlugin();
    if (!result_.initialised)
        result_.error = host.runError.empty() ? "initPlugin returned false" : host.runError;
    return result_.initialised;
}

bool PluginRun::runCommand(const std::string& command, const nlohmann::json& parameters,
                           const std::vector<std::string>& print) {
    HostState& host = HostState::instance();
    for (auto it = parameters.begin(); it != parameters.end(); ++it) host.parameters[it.key()] = it.value();
    host.parameters[commandParameter_] = command;
    const std::size_t dialogsBefore = host.events.size(), linesBefore = host.logLines.size();
    const bool ok = plugin_.execute();
    result_.executeResults.push_back(ok);
    const CommandTrace trace{{host.events.begin() + dialogsBefore, host.events.end()},
                             {host.logLines.begin() + linesBefore, host.logLines.end()}};
    lastCommandError_.clear();
    if (auto error = commandError(plugin_.info().deliverable, trace)) {
        lastCommandError_ = "command " + std::to_string(result_.executeResults.size()) + " (\"" + command +
                            "\") reported an error: " + *error;
        result_.commandErrors.push_back(lastCommandError_);
    }
    for (const std::string& name : print) {
        auto it = host.parameters.find(name);
        result_.printed.push_back(name + " = " +
                                  (it == host.parameters.end() ? "(unset)" : describe(it->second)));
    }
    return ok;
}

bool PluginRun::runStoredCommand() {
    const auto& parameters = HostState::instance().parameters;
    const auto it = parameters.find(commandParameter_);
    const std::string command =
        it == parameters.end() ? ""
                               : (it->second.is_string() ? it->second.get<std::string>() : it->second.dump());
    return runCommand(command);
}

bool PluginRun::execute() {
    const bool ok = plugin_.execute();
    result_.executeResults.push_back(ok);
    return ok;
}

std::string PluginRun::endRunError() {
    HostState& host = HostState::instance();
    std::string error;
    error.swap(host.runError);
    if (result_.error.empty()) result_.error = error;
    return error;
}

void PluginRun::finish() {
    HostState& host = HostState::instance();
    if (plugin_.created()) plugin_.destroy();
    if (result_.error.empty()) result_.error = host.runError;
    if (!recording_) return;
    recording_ = false;
    RunOutputs& outputs = RunOutputs::instance();
    outputs.stop();
    result_.unwritten = outputs.missing();
    result_.filesWritten = outputs.writtenCount();
    const MapSet* maps = DocumentStore::instance().maps();
    result_.mapsCreated = maps && !maps->maps.empty();
    result_.logProblem = host.finishLogFile();
}

}  // namespace talvora::session
