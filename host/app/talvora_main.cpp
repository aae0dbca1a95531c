// talvora: the stand-in host's command line.
//   talvora info PLUGIN...      load, initialise and describe plug-ins
//   talvora run JOB.json        run a plug-in headless from a job file
//   talvora gui PLUGIN          run a window-driven plug-in with its Qt windows
//   talvora convert IN OUT      convert NIfTI images and documents (Linux)
#include "host/app/cli_commands.h"
#include "host/app/convert_command.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    CLI::App app{"Stand-in Talvora host: loads plug-in libraries and runs them"};
    app.require_subcommand(1);
    // "/data/job.json" is a path, not a Windows-style option, on every system.
    app.allow_windows_style_options(false);
    talvora::CliOptions opts;
    opts.programPath = argv[0];

    auto* info = app.add_subcommand("info", "Load plug-ins, initialise them and print their exports");
    info->add_option("plugins", opts.plugins, "Plug-in names or library paths")->required();

    auto* run = app.add_subcommand("run", "Run a plug-in headless from a job file");
    run->add_option("job", opts.job, "Job file (JSON)")->required();
    run->add_option("--transcript", opts.transcript, "Write every dialog and log line to this JSON file");
    run->add_flag("--interactive", opts.interactive, "Ask on the terminal when the job has no answer left");

    auto* gui = app.add_subcommand("gui", "Start a plug-in with its Qt windows and run the event loop");
    gui->add_option("plugin", opts.plugins, "Plug-in name or library path")->required()->expected(1);
    gui->add_option("--job", opts.job, "Preload this job file's documents, parameters and folder");
    gui->add_option("--quit-after", opts.quitAfterMs, "Close after this many milliseconds (for screenshots)");

    for (auto* sub : {info, run, gui}) {
        sub->add_option("--plugins-dir", opts.pluginsDir, "Folder of the plug-in libraries");
        sub->add_option("--host-version", opts.hostVersion, "Version the host reports, e.g. 23.0.0");
        sub->add_option("--module", opts.moduleName, "Module name the host answers to")
            ->check(CLI::IsMember({"Talvora.exe", "TalvoraEDU.exe", "TalvoraHX.exe"}));
    }

    auto* convert = talvora::addConvertCommand(app);

    CLI11_PARSE(app, argc, argv);
    return talvora::runReportingErrors([&] {
        if (*info) return talvora::runInfo(opts);
        if (*run) return talvora::runJobCommand(opts);
        if (convert && *convert) return talvora::runConvertCommand();
        return talvora::runGui(opts, argc, argv);
    });
}
