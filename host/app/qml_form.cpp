#include "host/app/qml_form.h"

#include "host/session/host_state.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QUrl>

#include <iostream>

namespace talvora::app {

FormBridge::FormBridge(PluginRun& run, QObject* parent) : QObject(parent), run_(run) {
    refreshLog();
}

void FormBridge::setStringParameter(const QString& name, const QString& value) {
    HostState::instance().parameters[name.toStdString()] = value.toStdString();
}

void FormBridge::setIntParameter(const QString& name, int value) {
    HostState::instance().parameters[name.toStdString()] = value;
}

QString FormBridge::stringParameter(const QString& name) const {
    const auto& p = HostState::instance().parameters;
    const auto it = p.find(name.toStdString());
    if (it == p.end()) return {};
    return QString::fromStdString(it->second.is_string() ? it->second.get<std::string>() : it->second.dump());
}

int FormBridge::intParameter(const QString& name) const {
    const auto& p = HostState::instance().parameters;
    const auto it = p.find(name.toStdString());
    if (it == p.end() || !it->second.is_number()) return 0;
    return static_cast<int>(it->second.get<double>());
}

bool FormBridge::execute() {
    const bool result = run_.runStoredCommand();
    const std::string error = run_.endRunError();
    if (!error.empty() && onRunError) onRunError(QString::fromStdString(error));
    refreshLog();
    return result;
}

QString FormBridge::chooseFile(const char* kind, const QString& title, const QString& filter) {
    const std::string t = title.toStdString(), f = filter.toStdString();
    const auto answer = HostState::instance().ask({kind, t + " [" + f + "]", t, f, {}, 0, 0});
    if (!answer || !answer->is_string()) return {};
    return QString::fromStdString(answer->get<std::string>());
}

QString FormBridge::chooseOpenFile(const QString& title, const QString& filter) {
    return chooseFile("open", title, filter);
}

QString FormBridge::chooseSaveFile(const QString& title, const QString& filter) {
    return chooseFile("save", title, filter);
}

void FormBridge::refreshLog() {
    const auto& lines = HostState::instance().logLines;
    if (lines.size() < linesShown_) {
        // The host's log was cleared: show it afresh.
        logText_.clear();
        linesShown_ = 0;
    }
    if (lines.size() == linesShown_) return;
    for (; linesShown_ < lines.size(); ++linesShown_) {
        if (!logText_.isEmpty()) logText_ += '\n';
        logText_ += QString::fromStdString(lines[linesShown_]);
    }
    emit logTextChanged();
}

std::filesystem::path formFileOf(const LoadedPlugin& plugin) {
    const auto& qml = plugin.info().qmlFile;
    if (!qml.present || qml.null || qml.value.empty()) return {};
    return std::filesystem::absolute(plugin.info().path).parent_path() / qml.value;
}

bool loadForm(QQmlApplicationEngine& engine, FormBridge& bridge, const std::filesystem::path& qmlFile) {
    // Display-less platforms have no OpenGL; Qt Quick then draws in software.
    const QString platform = QGuiApplication::platformName();
    if ((platform == "offscreen" || platform == "minimal") && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    engine.rootContext()->setContextProperty("talvora", &bridge);
    engine.load(QUrl::fromLocalFile(QString::fromStdString(qmlFile.string())));
    if (engine.rootObjects().isEmpty()) {
        std::cerr << "talvora: " << qmlFile.string() << ": the form did not load\n";
        return false;
    }
    return true;
}

}  // namespace talvora::app
