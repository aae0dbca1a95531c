// The plug-in's form as the host shows it, offscreen, at the smallest window
// it must work in and at full screen: every control has room and a label, and
// nothing is cut or hidden under something else.
#include "host/app/qml_form.h"
#include "host/session/host_state.h"
#include "host/session/plugin_run.h"
#include "support/form_layout.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <ostream>
#include <string>
#include <vector>

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

struct Size {
    int width, height;
};

void PrintTo(const Size& size, std::ostream* out) {
    *out << size.width << "x" << size.height;
}

class DistortionFormLayout : public ::testing::TestWithParam<Size> {};

TEST_P(DistortionFormLayout, EveryControlHasRoomAndALabel) {
    talvora::HostState::instance().reset();
    talvora::PluginRun run(MIREL_PLUGIN_PATH);
    talvora::FormBridge bridge(run);
    QQmlApplicationEngine engine;
    ASSERT_TRUE(talvora::loadForm(engine, bridge, talvora::formFileOf(run.plugin())));
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().value(0));
    ASSERT_NE(window, nullptr);

    const Size size = GetParam();
    test_support::layOut(*window, size.width, size.height);
    ASSERT_EQ(window->width(), size.width);
    ASSERT_EQ(window->height(), size.height);
    const std::vector<std::string> missing = test_support::missingControls(*window, {"tf_file0",
                                                                                     "sBox_volume0",
                                                                                     "btn_select0",
                                                                                     "tf_file1",
                                                                                     "sBox_volume1",
                                                                                     "btn_select1",
                                                                                     "chkBox_rllr",
                                                                                     "chkBox_useSsd",
                                                                                     "chkBox_useIc",
                                                                                     "chkBox_applyToInput",
                                                                                     "chkBox_saveDerivative",
                                                                                     "sBox_order",
                                                                                     "btn_estimate",
                                                                                     "tf_vdm",
                                                                                     "btn_browseVdm",
                                                                                     "ta_files",
                                                                                     "btn_batch",
                                                                                     "btn_check",
                                                                                     "btn_apply",
                                                                                     "ta_log"});
    EXPECT_TRUE(missing.empty()) << "not shown:\n" << lines(missing);
    const std::vector<std::string> problems = test_support::layoutProblems(*window);
    EXPECT_TRUE(problems.empty()) << lines(problems);
    const std::vector<std::string> typing = test_support::typingProblems(*window);
    EXPECT_TRUE(typing.empty()) << lines(typing);
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, DistortionFormLayout,
                         ::testing::Values(Size{640, 480}, Size{800, 600}, Size{1600, 1000}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

// The log follows its newest line as it grows and when the window is resized.
TEST(DistortionFormLog, ShowsTheNewestLine) {
    talvora::HostState::instance().reset();
    talvora::PluginRun run(MIREL_PLUGIN_PATH);
    talvora::FormBridge bridge(run);
    QQmlApplicationEngine engine;
    ASSERT_TRUE(talvora::loadForm(engine, bridge, talvora::formFileOf(run.plugin())));
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().value(0));
    ASSERT_NE(window, nullptr);
    test_support::layOut(*window, 640, 480);

    writeLog(bridge, 1, 120);
    test_support::layOut(*window, 640, 480);
    std::vector<std::string> problems = test_support::lastLineProblems(*window, "ta_log");
    EXPECT_TRUE(problems.empty()) << "after 120 lines at 640x480:\n" << lines(problems);

    test_support::layOut(*window, 1600, 1800);
    problems = test_support::lastLineProblems(*window, "ta_log");
    EXPECT_TRUE(problems.empty()) << "after growing the window to 1600x1800:\n" << lines(problems);

    writeLog(bridge, 121, 40);
    test_support::layOut(*window, 1600, 1800);
    problems = test_support::lastLineProblems(*window, "ta_log");
    EXPECT_TRUE(problems.empty()) << "after 40 more lines at 1600x1800:\n" << lines(problems);

    test_support::layOut(*window, 800, 600);
    problems = test_support::lastLineProblems(*window, "ta_log");
    EXPECT_TRUE(problems.empty()) << "after shrinking the window to 800x600:\n" << lines(problems);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
