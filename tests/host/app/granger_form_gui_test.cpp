// The Granger plug-in's form driven offscreen from a generated study to its
// .gcm and group .vmp files, with one file dialog cancelled and one
// answered; the same commands through a job give the same bytes.
#include "host/app/qml_form.h"
#include "host/documents/documents.h"
#include "host/session/host_session.h"
#include "host/session/job.h"
#include "host/session/plugin_run.h"
#include "tests/granger/plugin/small_study.h"
#include "tests/host/app/gui_test_support.h"
#include "tools/make_study/granger_study.h"

#include <QApplication>

#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace {

using namespace gui_test;
using nlohmann::json;

const char* const kResults[] = {"S01/S01_COND-Task_VOI-Reference.gcm",
                                "RFX-INST_N1_COND-Task_VOI-Reference.vmp",
                                "RFX-dGCM_N1_COND-Task_VOI-Reference.vmp"};

class GrangerFormGui : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) / ("gcm_form_gui_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "plugins");
        const fs::path built(CAUSALIS_PLUGIN_PATH);
        plugin_ = root_ / "plugins/CausalisPlugin_v27.so";
        fs::copy_file(built, plugin_);
        fs::copy_file(built.parent_path() / "CausalisPlugin.qml", root_ / "plugins/CausalisPlugin.qml");
        // Surrogates make the maps depend on the seed: one fixed clock for both runs.
        const study::GrangerStudyOptions o = granger_test::smallStudy(1, "NumSurrogateSimulations= 20\n");
        for (const char* where : {"job", "form"}) {
            std::ostringstream report;
            study::writeGrangerStudy(o, root_ / where, report);
        }
        fs::copy_file(root_ / "job/VUVIrurar.ini", root_ / "plugins/VUVIrurar.ini");
        ::setenv("TALVORA_GCM_FIXED_CLOCK", "1700000000", 1);
        previous_ = fs::current_path();
        talvora::HostState::instance().echo = false;
    }
    void TearDown() override {
        ::unsetenv("TALVORA_GCM_FIXED_CLOCK");
        talvora::HostState::instance().setAnswerer(nullptr);
        talvora::HostSession::current().beginJob();
        fs::current_path(previous_);
        if (!HasFailure()) fs::remove_all(root_);
    }

    json jobJson(const json& commands) const {
        return {
            {"plugin", plugin_.string()}, {"documents", {{"vmr", "anatomy.vmr"}}}, {"commands", commands}};
    }

    fs::path root_, plugin_, previous_;
};

// What the form's fields below make of its four buttons, as job commands.
json formCommandsAsJob() {
    return json::array({{{"command", "StartCheck"}, {"parameters", {{"VOIFile", "reference.voi"}}}},
                        {{"command", "GetCondsOfVTCProtocol"}, {"parameters", {{"VTCFile", "S01/run1.vtc"}}}},
                        {{"command", "RunGCM"},
                         {"parameters",
                          {{"VOIFile", "reference.voi"},
                           {"SelectedVOIIndex", 0},
                           {"SelectedTimeWindowMethod", 2},
                           {"SelectedConditionName", "Task"},
                           {"VTCProtocolCond", 0},
                           {"VTCIntervalStart", 1},
                           {"VTCIntervalEnd", 0},
                           {"SubjectID", "S01"},
                           {"NrOfSubjVTCs", 1},
                           {"SubjVTC-1", "S01/run1.vtc"}}}},
                        {{"command", "PrepareForANCOVA"},
                         {"parameters",
                          {{"SubjID-1", "S01"},
                           {"SubjDataFolder-1", "S01/"},
                           {"NrOfSubjects", 1},
                           {"SelectedTimeWindowMethod", 2},
                           {"SubjectSpecificVOIs", 0}}}}});
}

}  // namespace

TEST_F(GrangerFormGui, FormWritesTheGcmAndGroupMapsOfTheSameJob) {
    // The job.
    const talvora::Job job =
        talvora::parseJob(jobJson(formCommandsAsJob()), root_ / "job/form_commands.json");
    const talvora::RunResult jobRun = talvora::runJob(job, root_ / "plugins");
    ASSERT_EQ(jobRun.error, "");
    ASSERT_EQ(jobRun.commandErrors, std::vector<std::string>{});
    ASSERT_EQ(jobRun.executeResults, std::vector<bool>(4, true));

    // The form, on the job's documents, in the other copy of the study.
    talvora::HostSession::current().beginJob();
    talvora::openJobDocuments(talvora::parseJob(jobJson(json::array()), root_ / "form/documents.json"));
    fs::current_path(root_ / "form");
    ScriptedUser user;
    user.answers = {nullptr, "reference.voi"};
    talvora::HostState::instance().setAnswerer(&user);
    talvora::PluginRun run(plugin_);
    ASSERT_TRUE(run.start());
    talvora::FormBridge bridge(run);
    QQmlApplicationEngine engine;
    ASSERT_TRUE(talvora::loadForm(engine, bridge, talvora::formFileOf(run.plugin())));

    child(engine, "voiFileField")->setProperty("text", "typed.voi");
    press(childByText(engine, "Browse..."));  // cancelled: the field keeps what was typed
    EXPECT_EQ(text(engine, "voiFileField"), "typed.voi");
    press(childByText(engine, "Browse..."));  // answered
    EXPECT_EQ(text(engine, "voiFileField"), "reference.voi");
    ASSERT_EQ(user.asked.size(), 2u);
    EXPECT_EQ(user.asked[0].kind, "open");
    EXPECT_EQ(user.asked[0].title, "Open a VOI file");

    press(engine, "startCheckButton");
    child(engine, "vtcList")->setProperty("text", "S01/run1.vtc");
    child(engine, "methodCombo")->setProperty("currentIndex", 1);
    press(engine, "conditionsButton");
    EXPECT_EQ(child(engine, "conditionCombo")->property("currentText").toString().toStdString(), "Task");
    child(engine, "subjectField")->setProperty("text", "S01");
    press(engine, "runButton");
    EXPECT_EQ(text(engine, "statusLabel"), "RunGCM done");
    child(engine, "groupList")->setProperty("text", "S01 S01/");
    press(engine, "groupButton");
    EXPECT_EQ(text(engine, "statusLabel"), "PrepareForANCOVA done");
    run.finish();
    EXPECT_EQ(run.result().error, "");
    EXPECT_EQ(run.result().commandErrors, std::vector<std::string>{});
    EXPECT_EQ(run.result().executeResults, std::vector<bool>(4, true));
    EXPECT_EQ(run.result().filesWritten, jobRun.filesWritten);
    EXPECT_TRUE(user.answers.empty());

    for (const char* name : kResults) {
        SCOPED_TRACE(name);
        const std::string fromJob = bytes(root_ / "job" / name), fromForm = bytes(root_ / "form" / name);
        EXPECT_GT(fromForm.size(), 100u);
        EXPECT_TRUE(fromForm == fromJob) << "the form's file differs from the job's";
    }
    // Nothing else either: the same files, the job's own file and log aside.
    std::vector<fs::path> jobFiles = filesUnder(root_ / "job");
    jobFiles.erase(std::remove_if(jobFiles.begin(), jobFiles.end(),
                                  [](const fs::path& p) { return p == "talvora.log"; }),
                   jobFiles.end());
    EXPECT_EQ(jobFiles, filesUnder(root_ / "form"));
}
