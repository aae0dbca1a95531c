#include "support/form_checks.h"

#include "host/app/qml_form.h"
#include "host/session/host_state.h"
#include "host/session/plugin_run.h"
#include "support/form_layout.h"

#include <gtest/gtest.h>

#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <string>
#include <utility>

namespace test_support {
namespace {

std::string lines(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& s : items) out += "  " + s + "\n";
    return out;
}

// Writes numbered lines to the host's log, as a long run does, and lets the
// form take them up.
void writeLog(talvora::FormBridge& bridge, int first, int count) {
    auto& host = talvora::HostState::instance();
    const bool echo = host.echo;
    host.echo = false;
    for (int i = first; i < first + count; ++i) host.log("log line " + std::to_string(i) + " of the run");
    host.echo = echo;
    bridge.refreshLog();
}

// A plug-in's form loaded afresh with its own run and bridge, as the host
// shows it.
struct LoadedForm {
    // The host's documents and log start empty before the run loads the
    // plug-in.
    static const char* afterHostReset(const char* pluginPath) {
        talvora::HostState::instance().reset();
        return pluginPath;
    }
    explicit LoadedForm(const char* pluginPath) : run(afterHostReset(pluginPath)), bridge(run) {
        loaded = talvora::loadForm(engine, bridge, talvora::formFileOf(run.plugin()));
        if (loaded) window = qobject_cast<QQuickWindow*>(engine.rootObjects().value(0));
    }
    talvora::PluginRun run;
    talvora::FormBridge bridge;
    QQmlApplicationEngine engine;
    bool loaded = false;
    QQuickWindow* window = nullptr;
};

}  // namespace

void expectFormFitsWindow(const char* pluginPath, int width, int height,
                          const std::vector<std::string>& controls) {
    LoadedForm form(pluginPath);
    ASSERT_TRUE(form.loaded);
    ASSERT_NE(form.window, nullptr);
    QQuickWindow* window = form.window;

    layOut(*window, width, height);
    ASSERT_EQ(window->width(), width);
    ASSERT_EQ(window->height(), height);
    const std::vector<std::string> missing = missingControls(*window, controls);
    EXPECT_TRUE(missing.empty()) << "not shown:\n" << lines(missing);
    const std::vector<std::string> problems = layoutProblems(*window);
    EXPECT_TRUE(problems.empty()) << lines(problems);
    const std::vector<std::string> typing = typingProblems(*window);
    EXPECT_TRUE(typing.empty()) << lines(typing);
}

void expectFormFitsEveryWindowSize(const char* pluginPath, const std::vector<std::string>& controls) {
    for (const auto& [width, height] : {std::pair{640, 480}, std::pair{800, 600}, std::pair{1600, 1000}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        expectFormFitsWindow(pluginPath, width, height, controls);
    }
}

void expectLogFollowsNewestLine(const char* pluginPath, const QString& logName) {
    LoadedForm form(pluginPath);
    ASSERT_TRUE(form.loaded);
    ASSERT_NE(form.window, nullptr);
    QQuickWindow* window = form.window;
    layOut(*window, 640, 480);

    writeLog(form.bridge, 1, 120);
    layOut(*window, 640, 480);
    std::vector<std::string> problems = lastLineProblems(*window, logName);
    EXPECT_TRUE(problems.empty()) << "after 120 lines at 640x480:\n" << lines(problems);

    layOut(*window, 1600, 1800);
    problems = lastLineProblems(*window, logName);
    EXPECT_TRUE(problems.empty()) << "after growing the window to 1600x1800:\n" << lines(problems);

    writeLog(form.bridge, 121, 40);
    layOut(*window, 1600, 1800);
    problems = lastLineProblems(*window, logName);
    EXPECT_TRUE(problems.empty()) << "after 40 more lines at 1600x1800:\n" << lines(problems);

    layOut(*window, 800, 600);
    problems = lastLineProblems(*window, logName);
    EXPECT_TRUE(problems.empty()) << "after shrinking the window to 800x600:\n" << lines(problems);
}

}  // namespace test_support
