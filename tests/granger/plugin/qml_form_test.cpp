// The plug-in's QML form in the host's GUI support, offscreen: load the form,
// fill its fields, press its buttons and check the script parameters, the
// log pane and the files the commands wrote.
#include "host/documents/documents.h"
#include "host/session/host_state.h"
#include "host/session/plugin_run.h"
#include "host/app/qml_form.h"
#include "tests/granger/plugin/small_study.h"
#include "tools/make_study/granger_study.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QVariant>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class QmlFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("gcm_form_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "plugins");
        const fs::path built(CAUSALIS_PLUGIN_PATH);
        fs::copy_file(built, dir_ / "plugins/CausalisPlugin_v27.so");
        fs::copy_file(built.parent_path() / "CausalisPlugin.qml", dir_ / "plugins/CausalisPlugin.qml");
        const study::GrangerStudyOptions o = granger_test::smallStudy(1, "NumSurrogateSimulations= 50\n");
        std::ostringstream report;
        study::writeGrangerStudy(o, dir_, report);
        fs::copy_file(dir_ / "VUVIrurar.ini", dir_ / "plugins/VUVIrurar.ini");
        previous_ = fs::current_path();
        fs::current_path(dir_);
        auto& host = talvora::HostState::instance();
        host.reset();
        host.echo = false;
        host.pluginsPath = (dir_ / "plugins").string() + "/";
        talvora::closeDocuments();
        talvora::openDocuments({{"vmr", "anatomy.vmr"}}, dir_);
    }
    void TearDown() override {
        talvora::closeDocuments();
        talvora::HostState::instance().reset();
        fs::current_path(previous_);
        if (!HasFailure()) fs::remove_all(dir_);
    }

    fs::path dir_, previous_;
};

QObject* child(QQmlApplicationEngine& engine, const char* name) {
    QObject* root = engine.rootObjects().value(0);
    QObject* o = root ? (root->objectName() == name ? root : root->findChild<QObject*>(name)) : nullptr;
    EXPECT_NE(o, nullptr) << name;
    return o;
}

void press(QQmlApplicationEngine& engine, const char* button) {
    QObject* b = child(engine, button);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(b, "clicked"));
}

std::string parameter(const char* name) {
    const auto& p = talvora::HostState::instance().parameters;
    const auto it = p.find(name);
    return it == p.end() ? "(unset)" : talvora::describe(it->second);
}

}  // namespace

TEST_F(QmlFormTest, BridgeReadsAndWritesScriptParameters) {
    talvora::PluginRun run(dir_ / "plugins/CausalisPlugin_v27.so");
    talvora::FormBridge bridge(run);
    bridge.setIntParameter("NrOfSubjects", 3);
    bridge.setStringParameter("SubjID-1", "S01");
    EXPECT_EQ(bridge.intParameter("NrOfSubjects"), 3);
    EXPECT_EQ(bridge.stringParameter("SubjID-1").toStdString(), "S01");
    EXPECT_EQ(bridge.stringParameter("NrOfSubjects").toStdString(), "3");
    EXPECT_EQ(bridge.intParameter("SubjID-1"), 0);
    EXPECT_EQ(bridge.stringParameter("Missing").toStdString(), "");
    EXPECT_EQ(talvora::formFileOf(run.plugin()), dir_ / "plugins/CausalisPlugin.qml");
}

TEST_F(QmlFormTest, FormRunsEveryCommandFromItsFields) {
    talvora::PluginRun run(dir_ / "plugins/CausalisPlugin_v27.so");
    ASSERT_TRUE(run.start());
    talvora::FormBridge bridge(run);
    QQmlApplicationEngine engine;
    ASSERT_TRUE(talvora::loadForm(engine, bridge, talvora::formFileOf(run.plugin())));
    int logChanges = 0;
    QObject::connect(&bridge, &talvora::FormBridge::logTextChanged, [&] { ++logChanges; });

    child(engine, "voiFileField")->setProperty("text", "reference.voi");
    press(engine, "startCheckButton");
    EXPECT_EQ(parameter("COMMAND"), "StartCheck");
    EXPECT_EQ(parameter("NrOfVOIsAvailable"), "1");
    EXPECT_EQ(child(engine, "voiCombo")->property("count").toInt(), 1);
    EXPECT_EQ(child(engine, "voiCombo")->property("currentText").toString().toStdString(), "Reference");
    EXPECT_GE(logChanges, 1);

    child(engine, "vtcList")->setProperty("text", "S01/run1.vtc");
    child(engine, "methodCombo")->setProperty("currentIndex", 1);
    press(engine, "conditionsButton");
    EXPECT_EQ(parameter("VTCFile"), "S01/run1.vtc");
    EXPECT_EQ(child(engine, "conditionCombo")->property("count").toInt(), 2);
    EXPECT_EQ(child(engine, "conditionCombo")->property("currentText").toString().toStdString(), "Task");

    child(engine, "subjectField")->setProperty("text", "S01");
    press(engine, "runButton");
    EXPECT_EQ(parameter("COMMAND"), "RunGCM");
    EXPECT_EQ(parameter("SelectedTimeWindowMethod"), "2");
    EXPECT_EQ(parameter("SelectedConditionName"), "Task");
    EXPECT_EQ(parameter("SelectedVOIIndex"), "0");
    EXPECT_EQ(parameter("SubjectID"), "S01");
    EXPECT_EQ(parameter("NrOfSubjVTCs"), "1");
    EXPECT_EQ(parameter("SubjVTC-1"), "S01/run1.vtc");
    EXPECT_EQ(parameter("VTCProtocolCond"), "0");
    EXPECT_EQ(child(engine, "statusLabel")->property("text").toString().toStdString(), "RunGCM done");
    const std::string pane = child(engine, "logView")->property("text").toString().toStdString();
    EXPECT_NE(pane.find("// GCM> Done, all computations succesful"), std::string::npos);
    EXPECT_EQ(pane, bridge.logText().toStdString());
    EXPECT_TRUE(fs::exists(dir_ / "S01/S01_COND-Task_VOI-Reference.gcm"));

    child(engine, "groupList")->setProperty("text", "S01 S01/");
    press(engine, "groupButton");
    EXPECT_EQ(parameter("NrOfSubjects"), "1");
    EXPECT_EQ(parameter("SubjectSpecificVOIs"), "0");
    EXPECT_EQ(child(engine, "statusLabel")->property("text").toString().toStdString(),
              "PrepareForANCOVA done");
    EXPECT_TRUE(fs::exists(dir_ / "RFX-INST_N1_COND-Task_VOI-Reference.vmp"));
    EXPECT_TRUE(fs::exists(dir_ / "RFX-dGCM_N1_COND-Task_VOI-Reference.vmp"));
    run.finish();
    EXPECT_EQ(run.result().executeResults.size(), 4u);
    EXPECT_TRUE(run.result().commandErrors.empty());
}

// The host program's GUI mode shows the form and leaves execute to it.
TEST(TalvoraGui, ShowsTheGrangerFormWithoutExecuting) {
    const fs::path out = fs::temp_directory_path() / ("gcm_gui_" + std::to_string(::getpid()) + ".txt");
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + TALVORA_PROGRAM + "' gui '" +
                                CAUSALIS_PLUGIN_PATH + "' --quit-after 300 >'" + out.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(out);
    const std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(out);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("the form did not load"), std::string::npos) << output;
    EXPECT_EQ(output.find("Base path for resulting group maps:"), std::string::npos) << output;
}
