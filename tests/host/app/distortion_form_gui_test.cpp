// The distortion plug-in's form driven offscreen from a phantom pair to its
// displacement maps and undistorted projects, with the "Select..." file
// dialog cancelled once and answered; the same estimate through a job gives
// the same bytes, and the "check" verdict reaches the user as a message.
#include "host/app/qml_form.h"
#include "host/session/host_session.h"
#include "host/session/job.h"
#include "host/session/plugin_run.h"
#include "support/run_program.h"
#include "tests/host/app/gui_test_support.h"

#include <QApplication>

#include <unistd.h>

namespace {

using namespace gui_test;
using nlohmann::json;

class DistortionFormGui : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) / ("mirel_form_gui_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        for (const char* where : {"job", "form"}) {
            const auto made =
                test_support::shell(std::string(PHANTOM_EXE) + " --small --size 32x40x9 --volumes 2 --out " +
                                    (root_ / where).string());
            ASSERT_EQ(made.status, 0) << made.output;
        }
        previous_ = fs::current_path();
        talvora::HostState::instance().echo = false;
    }
    void TearDown() override {
        talvora::HostState::instance().setAnswerer(nullptr);
        talvora::HostSession::current().beginJob();
        fs::current_path(previous_);
        if (!HasFailure()) fs::remove_all(root_);
    }
    fs::path set(const char* where) const { return root_ / where / "ap_pa_sev5"; }

    fs::path root_, previous_;
    const fs::path plugin_ = fs::path(PLUGINS_DIR) / "Mirel_r122.so";
};

json jobJson(const std::string& plugin, const json& commands) {
    return {{"plugin", plugin}, {"documents", {{"fmr", "run_ap.fmr"}}}, {"commands", commands}};
}

}  // namespace

TEST_F(DistortionFormGui, FormWritesTheMapsAndUndistortedProjectsOfTheSameJob) {
    const json estimate = {{"command", "estimate"},
                           {"parameters",
                            {{"file0", "run_ap.fmr"},
                             {"file1", "run_pa.fmr"},
                             {"volume0", 0},
                             {"volume1", 1},
                             {"rllr", 0},
                             {"use_ic", 0},
                             {"use_ssd", 1},
                             {"apply_to_input", 1},
                             {"save_derivative", 0},
                             {"order", 0}}}};
    const talvora::Job job = talvora::parseJob(jobJson(plugin_.string(), json::array({estimate})),
                                               set("job") / "gui_estimate.json");
    const talvora::RunResult jobRun = talvora::runJob(job, PLUGINS_DIR);
    ASSERT_EQ(jobRun.error, "");
    ASSERT_EQ(jobRun.commandErrors, std::vector<std::string>{});

    talvora::HostSession::current().beginJob();
    talvora::openJobDocuments(
        talvora::parseJob(jobJson(plugin_.string(), json::array()), set("form") / "d.json"));
    fs::current_path(set("form"));
    ScriptedUser user;
    user.answers = {nullptr, "run_ap.fmr", "run_pa.fmr"};
    talvora::HostState::instance().setAnswerer(&user);
    talvora::PluginRun run(plugin_);
    ASSERT_TRUE(run.start());
    talvora::FormBridge bridge(run);
    QQmlApplicationEngine engine;
    ASSERT_TRUE(talvora::loadForm(engine, bridge, talvora::formFileOf(run.plugin())));

    press(engine, "btn_select0");  // cancelled: nothing chosen, nothing reported
    EXPECT_EQ(text(engine, "tf_file0"), "");
    EXPECT_EQ(run.lastCommandError(), "");
    EXPECT_EQ(user.messages, std::vector<std::string>{});
    press(engine, "btn_select0");  // answered: the next dialog is asked afresh
    EXPECT_EQ(text(engine, "tf_file0"), "run_ap.fmr");
    press(engine, "btn_select1");
    EXPECT_EQ(text(engine, "tf_file1"), "run_pa.fmr");
    ASSERT_EQ(user.asked.size(), 3u);
    EXPECT_EQ(user.asked[1].kind, "open");
    child(engine, "sBox_volume0")->setProperty("value", 0);
    child(engine, "sBox_volume1")->setProperty("value", 1);
    press(engine, "btn_estimate");
    EXPECT_EQ(run.lastCommandError(), "");
    EXPECT_EQ(text(engine, "tf_vdm"), "run_ap_vdm.map");

    // The check's verdict is a message box: the user sees it.
    child(engine, "ta_files")->setProperty("text", "run_ap_undist.fmr\nmissing.fmr");
    press(engine, "btn_check");
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_NE(user.messages[0].find("missing.fmr"), std::string::npos) << user.messages[0];
    run.finish();
    EXPECT_EQ(run.result().error, "");
    EXPECT_EQ(run.result().executeResults, std::vector<bool>(5, true));

    for (const char* name : {"run_ap_vdm.map", "run_pa_vdm.map", "run_ap_undist.fmr", "run_ap_undist.stc",
                             "run_pa_undist.fmr", "run_pa_undist.stc"}) {
        SCOPED_TRACE(name);
        const std::string fromJob = bytes(set("job") / name), fromForm = bytes(set("form") / name);
        EXPECT_GT(fromForm.size(), 100u);
        EXPECT_TRUE(fromForm == fromJob) << "the form's file differs from the job's";
    }
    std::vector<fs::path> jobFiles = filesUnder(set("job"));
    jobFiles.erase(std::remove_if(jobFiles.begin(), jobFiles.end(),
                                  [](const fs::path& p) { return p == "talvora.log"; }),
                   jobFiles.end());
    EXPECT_EQ(jobFiles, filesUnder(set("form")));
}

// A host error ends the command it came from; the user's next command asks
// its dialogs afresh, where a job would stop.
TEST_F(DistortionFormGui, AHostErrorEndsOnlyTheCommandItCameFrom) {
    talvora::openJobDocuments(
        talvora::parseJob(jobJson(plugin_.string(), json::array()), set("form") / "d.json"));
    fs::current_path(set("form"));
    ScriptedUser user;
    user.answers = {"run_ap.fmr"};
    talvora::HostState::instance().setAnswerer(&user);
    talvora::PluginRun run(plugin_);
    ASSERT_TRUE(run.start());
    talvora::FormBridge bridge(run);
    std::vector<std::string> errors;
    bridge.onRunError = [&](const QString& e) { errors.push_back(e.toStdString()); };
    QQmlApplicationEngine engine;
    ASSERT_TRUE(talvora::loadForm(engine, bridge, talvora::formFileOf(run.plugin())));

    child(engine, "ta_files")->setProperty("text", QString(70000, 'x'));
    press(engine, "btn_check");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("the parameter \"files\" is longer than the plug-in's text buffer"),
              std::string::npos)
        << errors[0];
    EXPECT_EQ(talvora::HostState::instance().runError, "");
    press(engine, "btn_select0");
    EXPECT_EQ(text(engine, "tf_file0"), "run_ap.fmr");
    ASSERT_EQ(user.asked.size(), 1u);
    run.finish();
    EXPECT_EQ(run.result().error, errors[0]);
}
