#include "host/app/cli_commands.h"

#include "host/session/deliverables.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "host/platform/platform.h"
#include "host/session/plugin_loader.h"
#include "host/app/transcript.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>

namespace talvora::app {
namespace fs = std::filesystem;

std::string defaultPluginsDir(const CliOptions& opts) {
    if (!opts.pluginsDir.empty()) return opts.pluginsDir;
    return (platform::executablePath(opts.programPath.c_str()).parent_path() / "plugins").u8string();
}

void applyHostOptions(const CliOptions& opts, tl::Version& version, std::string& moduleName) {
    if (!opts.hostVersion.empty()) {
        try {
            version = parseVersion(opts.hostVersion);
        } catch (const std::invalid_argument& e) {
            throw std::runtime_error(std::string("--host-version: ") + e.what());
        }
    }
    if (!opts.moduleName.empty()) moduleName = opts.moduleName;
}

namespace {

std::string show(const PluginInfo::Text& text) {
    if (!text.present) return "(absent)";
    if (text.null) return "(null)";
    return "\"" + text.value + "\"";
}

}  // namespace

int runInfo(const CliOptions& opts) {
    HostState& host = HostState::instance();
    applyHostOptions(opts, host.version, host.moduleName);
    int status = 0;
    for (const std::string& name : opts.plugins) {
        try {
            const fs::path path =
                resolvePluginPath(name, fs::current_path(), fs::u8path(defaultPluginsDir(opts)));
            LoadedPlugin plugin(path.string());
            host.pluginsPath = fs::absolute(path).parent_path().string() + "/";
            const PluginInfo& info = plugin.info();
            std::cout << "== " << info.deliverable << " (" << path.string() << ")\n"
                      << "  name:         " << show(info.name) << '\n'
                      << "  version:      " << show(info.version) << '\n'
                      << "  help file:    " << show(info.helpFile) << '\n'
                      << "  QML file:     " << show(info.qmlFile) << '\n'
                      << "  GUI script:   " << show(info.guiScript) << '\n'
                      << "  map loader:   " << show(info.registration) << '\n'
                      << "  author:       " << show(info.author) << '\n'
                      << "  description:  " << show(info.description) << '\n';
            const BindingReport report = bindingReport(info.deliverable);
            std::cout << "  host functions bound: " << report.exported << " of " << report.listed << '\n';
            plugin.create();
            const bool ok = plugin.initPlugin();
            std::cout << "  initPlugin:   " << (ok ? "true" : "false") << '\n';
            plugin.destroy();
            if (!ok) status = 1;
        } catch (const std::exception& e) {
            std::cerr << "talvora: " << e.what() << '\n';
            status = 2;
        }
    }
    return status;
}

int runJobCommand(const CliOptions& opts) {
    HostState& host = HostState::instance();
    const Job job = readJob(fs::u8path(opts.job));
    host.interactive = opts.interactive || platform::interactiveTerminal();
    // The job sets the host's identity; the command line's options win.
    Job effective = job;
    applyHostOptions(opts, effective.hostVersion, effective.moduleName);
    const RunResult result = runJob(effective, fs::u8path(defaultPluginsDir(opts)));
    // The error that ended the run comes first: the lines after it are its
    // consequences (executes that returned false, answers never reached).
    const auto say = [](const std::string& line) {
        std::cout << std::flush;
        std::cerr << "talvora: " << line << '\n' << std::flush;
    };
    if (!result.error.empty()) say(opts.job + ": " + result.error);
    for (size_t i = 0; i < result.executeResults.size(); ++i)
        std::cout << "talvora: execute " << i + 1 << " returned "
                  << (result.executeResults[i] ? "true" : "false") << '\n';
    for (const std::string& line : result.printed) std::cout << "  " << line << '\n';
    if (host.remainingAnswers() > 0)
        say("warning: " + std::to_string(host.remainingAnswers()) + " answer(s) of " + opts.job +
            " were not used");
    const int status = reportRunStatus(opts.job, result, !job.commands.empty(), say);
    if (opts.transcript.empty()) return status;
    try {
        writeTranscript(opts.transcript, result);
    } catch (const std::exception& e) {
        // The run's own outcome stays what it was; a run that succeeded
        // still lost an output it was asked for.
        say(opts.transcript + ": the transcript could not be written: " + e.what());
        return status == 0 ? 4 : status;
    }
    return status;
}

int runReportingErrors(const std::function<int()>& command) {
    try {
        return command();
    } catch (const std::exception& e) {
        std::cerr << "talvora: " << e.what() << '\n';
        return 2;
    }
}

int reportRunStatus(const std::string& job, const RunResult& result, bool formCommands,
                    const std::function<void(const std::string&)>& say) {
    int status = 0;
    if (!result.error.empty()) {
        status = 1;
    } else if (!result.initialised) {
        say(job + ": the plug-in refused to start (initPlugin returned false)");
        status = 1;
    } else if (!result.commandErrors.empty()) {
        // A form command that failed says so in its own words, whatever
        // `execute` returned (the distortion plug-in returns true).
        for (const std::string& line : result.commandErrors) say(job + ": " + line);
        status = 6;
    } else if (std::find(result.executeResults.begin(), result.executeResults.end(), false) !=
               result.executeResults.end()) {
        status = 3;  // the plug-in stopped early; its own message says why
    } else if (!formCommands && result.filesWritten == 0 && !result.mapsCreated && result.unwritten.empty()) {
        // A dialog-driven run that ends "successfully" with nothing to show
        // (an empty mask, every VTC refused) stopped without results.
        say(job +
            ": the run computed nothing: the plug-in wrote no file and created no map (its log says why)");
        status = 5;
    }
    // Lost output outweighs every other outcome but a job that did not fit,
    // and is said last, so the last line names what is missing.
    if (!result.logProblem.empty()) {
        say(result.logProblem);
        if (status != 1) status = 4;
    }
    if (!result.unwritten.empty()) {
        std::string files;
        for (const std::string& file : result.unwritten) files += (files.empty() ? "" : ", ") + file;
        say(job + ": " + std::to_string(result.unwritten.size()) +
            " result file(s) could not be written: " + files);
        if (status != 1) status = 4;
    }
    return status;
}

}  // namespace talvora::app
