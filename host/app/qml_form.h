// The host's support for form-driven plug-ins in GUI mode: the plug-in's QML
// form (getQMLFile, found beside the library) is shown by a Qt Quick engine
// with a context property `talvora` through which the form reads and sets the
// script parameters, triggers `execute` and follows the host's log pane.
#pragma once

#include "host/session/plugin_run.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>

class QQmlApplicationEngine;

namespace talvora::app {

class FormBridge : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString logText READ logText NOTIFY logTextChanged)

public:
    // The form's commands run in `run`, as the same commands of a job do.
    explicit FormBridge(PluginRun& run, QObject* parent = nullptr);

    Q_INVOKABLE void setStringParameter(const QString& name, const QString& value);
    Q_INVOKABLE void setIntParameter(const QString& name, int value);
    Q_INVOKABLE QString stringParameter(const QString& name) const;
    Q_INVOKABLE int intParameter(const QString& name) const;
    // Runs the command the form stored in "COMMAND" or "task".
    Q_INVOKABLE bool execute();
    // File dialogs, answered by the session's answerer; an empty text when
    // cancelled.
    Q_INVOKABLE QString chooseOpenFile(const QString& title, const QString& filter);
    Q_INVOKABLE QString chooseSaveFile(const QString& title, const QString& filter);

    QString logText() const { return logText_; }
    // Takes up log lines written since the last call.
    void refreshLog();

    // Told of a host error that ended a command (an answer or parameter too
    // long for the plug-in's buffer); the next command starts afresh.
    std::function<void(const QString&)> onRunError;

signals:
    void logTextChanged();

private:
    QString chooseFile(const char* kind, const QString& title, const QString& filter);
    PluginRun& run_;
    QString logText_;
    std::size_t linesShown_ = 0;
};

// The QML file a form-driven plug-in names, beside its library; empty when
// the plug-in names none.
std::filesystem::path formFileOf(const LoadedPlugin& plugin);

// Loads the form into `engine` with `bridge` as the `talvora` context
// property. False (with the reason on standard error) when it does not load.
bool loadForm(QQmlApplicationEngine& engine, FormBridge& bridge, const std::filesystem::path& qmlFile);

}  // namespace talvora::app

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace app;
}  // namespace talvora
