// GUI mode: a Qt application whose event loop drives a window-driven plug-in.
#include "host/app/cli_commands.h"
#include "host/session/deliverables.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "host/session/plugin_loader.h"
#include "host/app/qml_form.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QTimer>

#include <filesystem>
#include <iostream>

namespace talvora::app {

int runGui(const CliOptions& opts, int argc, char** argv) {
    HostState& host = HostState::instance();
    applyHostOptions(opts, host.version, host.moduleName);
    QApplication app(argc, argv);
    // The plug-in's windows close themselves; the host decides when to leave.
    app.setQuitOnLastWindowClosed(true);
    const auto path =
        resolvePluginPath(opts.plugins.front(), std::filesystem::current_path(), defaultPluginsDir(opts));
    LoadedPlugin plugin(path.string());
    host.pluginsPath = std::filesystem::absolute(path).parent_path().string() + "/";
    plugin.create();
    host.stringParameterBuffer = stringParameterBufferOf(plugin.info().deliverable);
    if (!plugin.initPlugin()) {
        std::cerr << "talvora: " << path.string()
                  << ": the plug-in refused to start (initPlugin returned false)\n";
        return 1;
    }
    // A form-driven plug-in shows its form; the form calls execute.
    const std::filesystem::path form = formFileOf(plugin);
    if (!form.empty() && std::filesystem::exists(form)) {
        FormBridge bridge(plugin);
        QQmlApplicationEngine engine;
        if (!loadForm(engine, bridge, form)) return 1;
        if (opts.quitAfterMs > 0) QTimer::singleShot(opts.quitAfterMs, &app, &QApplication::quit);
        const int status = app.exec();
        plugin.destroy();
        return status;
    }
    if (!plugin.execute()) {
        std::cerr << "talvora: " << path.string() << ": execute returned false\n";
        return 1;
    }
    if (opts.quitAfterMs > 0) QTimer::singleShot(opts.quitAfterMs, &app, &QApplication::quit);
    const int status = app.exec();
    plugin.destroy();
    return status;
}

}  // namespace talvora::app
