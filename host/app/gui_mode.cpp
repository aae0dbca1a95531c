// GUI mode: a Qt application whose event loop drives a window-driven plug-in
// or a form-driven plug-in's form, beside the host's own window (documents
// and log pane). Dialogs are answered by real Qt dialogs.
#include "host/app/cli_commands.h"
#include "host/app/host_window.h"
#include "host/app/qml_form.h"
#include "host/app/qt_dialog_answerer.h"
#include "host/session/host_session.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "host/session/plugin_run.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QTimer>
#include <QWindow>

#include <filesystem>
#include <iostream>
#include <optional>

namespace talvora::app {
namespace fs = std::filesystem;

namespace {

// The job's host identity, parameters, working folder and documents, set up
// as its run would set them; the panel shows the documents.
void preloadJob(const Job& job, DocumentPanel& panel) {
    HostState& host = HostState::instance();
    host.version = job.hostVersion;
    host.moduleName = job.moduleName;
    host.openBase = job.file.parent_path().string();
    host.saveBase = job.workDir.string();
    for (auto it = job.parameters.begin(); it != job.parameters.end(); ++it)
        host.parameters[it.key()] = it.value();
    openJobDocuments(job);
    std::error_code ec;
    fs::create_directories(job.workDir, ec);
    if (ec) throw JobError(job.workDir.string() + ": cannot create the working folder: " + ec.message());
    fs::current_path(job.workDir);
    const fs::path base = job.file.parent_path();
    const auto note = [&](const char* key, DocumentKind kind) {
        if (!job.documents.contains(key) || !job.documents.at(key).is_string()) return;
        const fs::path p = fs::u8path(job.documents.at(key).get<std::string>());
        panel.noteOpened(kind, p.is_absolute() ? p : base / p);
    };
    note("vmr", DocumentKind::Vmr);
    note("vois", DocumentKind::Vois);
    note("glm", DocumentKind::Glm);
    note("fmr", DocumentKind::Fmr);
    panel.refresh();
}

// The answerer is the host's way of talking to the user for as long as the
// window lives; the session forgets it afterwards.
struct AnswererScope {
    explicit AnswererScope(DialogAnswerer& answerer) { HostState::instance().setAnswerer(&answerer); }
    ~AnswererScope() { HostState::instance().setAnswerer(nullptr); }
};

int runEventLoop(QApplication& app, const CliOptions& opts) {
    if (opts.quitAfterMs > 0) QTimer::singleShot(opts.quitAfterMs, &app, &QApplication::quit);
    return app.exec();
}

}  // namespace

int runGui(const CliOptions& opts, int argc, char** argv) {
    HostState& host = HostState::instance();
    std::optional<Job> job;
    if (!opts.job.empty()) {
        job = readJob(fs::u8path(opts.job));
        HostSession::current().beginJob();
    }
    applyHostOptions(opts, host.version, host.moduleName);
    QApplication app(argc, argv);
    // The plug-in's windows close themselves; the host's window stays until closed.
    app.setQuitOnLastWindowClosed(true);
    const fs::path path =
        fs::absolute(resolvePluginPath(opts.plugins.front(), fs::current_path(), defaultPluginsDir(opts)));
    QtDialogAnswerer answerer;
    const AnswererScope scope(answerer);
    HostWindow window;
    answerer.onMessage = [&window](const std::string& text) {
        window.appendLog("[message] " + messagePlainText(text));
    };
    if (job) {
        preloadJob(*job, window.documents());
        applyHostOptions(opts, host.version, host.moduleName);
    }
    window.show();

    PluginRun run(path);
    if (!run.start()) {
        std::cerr << "talvora: " << path.string() << ": the plug-in refused to start (" << run.result().error
                  << ")\n";
        run.finish();
        return 1;
    }
    // A form-driven plug-in shows its form; the form runs the commands.
    const fs::path form = formFileOf(run.plugin());
    if (!form.empty() && fs::exists(form)) {
        FormBridge bridge(run);
        bridge.onRunError = [&window](const QString& error) { window.appendLog("talvora: " + error); };
        QObject::connect(&bridge, &FormBridge::logTextChanged, &window.documents(), &DocumentPanel::refresh);
        QQmlApplicationEngine engine;
        if (!loadForm(engine, bridge, form)) return 1;
        // The host's window beside the form, not over it.
        if (auto* formWindow = qobject_cast<QWindow*>(engine.rootObjects().value(0)))
            window.placeBesideWhenShown(*formWindow);
        runEventLoop(app, opts);
        run.finish();
        // The commands the user ran decide the status, as the same commands of a job would.
        return reportRunStatus(path.string(), run.result(), true,
                               [](const std::string& line) { std::cerr << "talvora: " << line << '\n'; });
    }
    if (!run.execute()) {
        std::cerr << "talvora: " << path.string() << ": execute returned false\n";
        run.finish();
        return 1;
    }
    const int status = runEventLoop(app, opts);
    run.finish();
    return status;
}

}  // namespace talvora::app
