// Scripted dialogs: answers are given in order, checked against the prompt
// when the job says what to expect, and a run whose script does not fit ends
// with an error that quotes the prompt; every dialog is recorded.
#include "host/session/deliverables.h"
#include "host/services/host_exports.h"
#include "host/session/host_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using nlohmann::json;
using talvora::HostState;
using talvora::ScriptedAnswer;
using talvora::stringParameterBufferOf;

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        HostState::instance().reset();
        HostState::instance().echo = false;
    }
    void script(std::vector<ScriptedAnswer> answers) { HostState::instance().setAnswers(std::move(answers)); }
    const std::string& error() const { return HostState::instance().runError; }
};

TEST_F(Dialogs, AnswersOfEachKind) {
    script({{1, {}}, {json(2.5), {}}, {true, {}}, {"no", {}}, {"a.vtc", {}}, {nullptr, {}}, {"default", {}}});
    EXPECT_EQ(hxGetIntegerInput("mode", 1, 1, 3), 1);
    EXPECT_FLOAT_EQ(hxGetFloatInput("window", 16000, 0, 10), 2.5f);
    EXPECT_EQ(hxYesNoMessageBox("single?"), 1);
    EXPECT_EQ(hxYesNoMessageBox("again?"), 0);
    char path[tl::kPathCapacity];
    EXPECT_EQ(hxGetOpenFileName("Please choose VTC n.1 (cancel to stop)", "", "*.vtc", path), 1);
    EXPECT_STREQ(path, "a.vtc");
    EXPECT_EQ(hxGetOpenFileName("Please choose VTC n.2 (cancel to stop)", "", "*.vtc", path), 0);
    EXPECT_EQ(hxGetIntegerInput("factor", 1, 1, 4), 1) << "\"default\" takes the dialog's default";
    EXPECT_TRUE(error().empty()) << error();
    const auto& events = HostState::instance().events;
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[4].kind, "open");
    EXPECT_EQ(events[4].text, "Please choose VTC n.1 (cancel to stop) [*.vtc]");
    EXPECT_EQ(events[5].answer, "cancel");
}

TEST_F(Dialogs, CancelledIntegerIsBelowTheMinimum) {
    script({{nullptr, {}}});
    EXPECT_EQ(hxGetIntegerInput("Select VTC access mode:", 1, 1, 3), 0);
    EXPECT_TRUE(error().empty());
}

TEST_F(Dialogs, RunningOutOfAnswersEndsTheRunQuotingThePrompt) {
    script({{2, {}}});
    EXPECT_EQ(hxGetIntegerInput("first", 1, 1, 3), 2);
    EXPECT_EQ(hxGetIntegerInput("Enter protocol condition:", 1, 1, 3), 0);
    EXPECT_EQ(error(), "the job has no answer left for the integer dialog \"Enter protocol condition:\"");
    // Every later dialog is cancelled so the plug-in stops in order.
    EXPECT_EQ(hxYesNoMessageBox("more?"), 0);
    char path[tl::kPathCapacity];
    EXPECT_EQ(hxGetSaveFileName("Choose a name for the BLM file :", "", "*.blm", path), 0);
    EXPECT_EQ(HostState::instance().events.size(), 4u);
}

TEST_F(Dialogs, UnexpectedPromptEndsTheRun) {
    script({{1, std::string("access mode")}});
    EXPECT_EQ(hxGetIntegerInput("Enter protocol condition:", 1, 1, 3), 0);
    EXPECT_EQ(error(),
              "the job expected a dialog containing \"access mode\" but the plug-in asked the integer dialog "
              "\"Enter protocol condition:\"");
}

TEST_F(Dialogs, AnswersThatDoNotFit) {
    struct Case {
        json answer;
        const char* kind;
        const char* message;
    };
    const Case cases[] = {
        {"x", "integer", "does not fit the integer dialog \"q\": give a whole number"},
        {7, "integer", "does not fit the integer dialog \"q\": outside 1 … 3"},
        {1.5, "integer", "give a whole number"},
        {"maybe", "yesno", "does not fit the yes/no dialog"},
        {99999.0, "float", "does not fit the float dialog \"q\": outside"},
        {3, "open", "does not fit the open dialog \"q\": give a path"},
    };
    for (const Case& c : cases) {
        HostState::instance().reset();
        HostState::instance().echo = false;
        script({{c.answer, {}}});
        char path[tl::kPathCapacity];
        const std::string kind = c.kind;
        if (kind == "integer") {
            EXPECT_EQ(hxGetIntegerInput("q", 1, 1, 3), 0);
        } else if (kind == "yesno") {
            EXPECT_EQ(hxYesNoMessageBox("q"), 0);
        } else if (kind == "float") {
            EXPECT_LT(hxGetFloatInput("q", 1, 0, 10), 0.0f);
        } else {
            EXPECT_EQ(hxGetOpenFileName("q", "", "*", path), 0);
        }
        EXPECT_NE(error().find(c.message), std::string::npos) << error();
    }
}

TEST_F(Dialogs, OverlongPathIsRefusedNotOverflowed) {
    script({{std::string(tl::kPathCapacity + 10, 'a'), {}}});
    char path[tl::kPathCapacity];
    EXPECT_EQ(hxGetOpenFileName("t", "", "*", path), 0);
    EXPECT_EQ(path[0], '\0');
    EXPECT_NE(error().find("longer than a host text buffer"), std::string::npos);
}

TEST_F(Dialogs, StringParametersFitThePlugInsBufferNotTheHostsPathSize) {
    // The distortion plug-in reads its batch file lists into 10240 bytes;
    // the others use the host's path size. The host copies no more than that.
    EXPECT_EQ(stringParameterBufferOf("Mirel_r122"), 10240u);
    EXPECT_EQ(stringParameterBufferOf("CausalisPlugin_v27"), tl::kPathCapacity);
    EXPECT_EQ(stringParameterBufferOf("some.dll"), tl::kPathCapacity);

    const std::string files(3000, 'f');
    hxSetStringParameter("files", files.c_str());
    std::vector<char> buffer(10240, 'x');
    EXPECT_EQ(hxGetStringParameter("files", buffer.data()), 0);  // default: 1023 characters at most
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[tl::kPathCapacity], 'x');  // nothing written past the host's default size
    EXPECT_NE(
        error().find("the parameter \"files\" is longer than the plug-in's text buffer (1023 characters)"),
        std::string::npos)
        << error();

    HostState::instance().reset();
    HostState::instance().echo = false;
    HostState::instance().stringParameterBuffer = stringParameterBufferOf("Mirel_r122");
    hxSetStringParameter("files", files.c_str());
    EXPECT_EQ(hxGetStringParameter("files", buffer.data()), 1);
    EXPECT_EQ(std::string(buffer.data()), files);
    EXPECT_TRUE(error().empty()) << error();
}

TEST_F(Dialogs, ScriptParametersAndLog) {
    hxSetIntParameter("NrOfSubjects", 3);
    hxSetStringParameter("COMMAND", "RunSubject");
    hxSetFloatParameter("q", 0.05f);
    EXPECT_EQ(hxGetIntParameter("NrOfSubjects"), 3);
    EXPECT_EQ(hxGetIntParameter("missing"), 0);
    EXPECT_FLOAT_EQ(hxGetFloatParameter("q"), 0.05f);
    char value[tl::kPathCapacity];
    EXPECT_EQ(hxGetStringParameter("COMMAND", value), 1);
    EXPECT_STREQ(value, "RunSubject");
    EXPECT_EQ(hxGetStringParameter("missing", value), 0);
    hxLogText("// GCM> line");
    hxMessageBox("<b>note</b>");
    EXPECT_EQ(HostState::instance().logLines, std::vector<std::string>{"// GCM> line"});
    EXPECT_EQ(HostState::instance().events.back().kind, "message");
    int major = 0, minor = 0, patch = 0;
    HostState::instance().version = {23, 4, 5};
    tlGetVersionOfTalvora(&major, &minor, &patch);
    EXPECT_EQ(major * 10000 + minor * 100 + patch, 230405);
}

}  // namespace
