// Job files: what a well-formed one means, and the malformed ones that must
// be refused with the file named and the problem said.
#include "host/session/job.h"

#include <gtest/gtest.h>

namespace {

using nlohmann::json;
using talvora::Job;
using talvora::JobError;
using talvora::parseJob;

TEST(JobFile, WellFormedJob) {
    const json root = json::parse(R"({
    "plugin": "CausalisPlugin_v27",
    "host": {"version": "23.1.2", "module": "TalvoraEDU.exe"},
    "work_dir": "out",
    "answers": [1, {"expect": "Choose", "value": "a.vtc"}, null, true],
    "parameters": {"NrOfSubjects": 2},
    "commands": [{"command": "Run", "parameters": {"A": "x"}, "print": ["ResultCode"]}]
  })");
    const Job job = parseJob(root, "/data/jobs/j.json");
    EXPECT_EQ(job.plugin, "CausalisPlugin_v27");
    EXPECT_EQ(job.hostVersion.major, 23);
    EXPECT_EQ(job.hostVersion.minor, 1);
    EXPECT_EQ(job.hostVersion.patch, 2);
    EXPECT_EQ(job.moduleName, "TalvoraEDU.exe");
    EXPECT_EQ(job.workDir, "/data/jobs/out");
    ASSERT_EQ(job.answers.size(), 4u);
    EXPECT_EQ(job.answers[1].expect.value(), "Choose");
    EXPECT_TRUE(job.answers[2].value.is_null());
    ASSERT_EQ(job.commands.size(), 1u);
    EXPECT_EQ(job.commands[0].print, std::vector<std::string>{"ResultCode"});
}

TEST(JobFile, MalformedJobsAreRefused) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"([1, 2])", "a job file must hold one JSON object"},
        {R"({})", "\"plugin\" is missing"},
        {R"({"plugin": 3})", "\"plugin\" must be a string"},
        {R"({"plugin": ""})", "\"plugin\" is empty"},
        {R"({"plugin": "X", "answer": []})", "unknown key \"answer\""},
        {R"({"plugin": "X", "host": {"version": "23.x"}})", "is not a version like 23.0.0"},
        {R"({"plugin": "X", "host": {"version": "1.2.3.4"}})", "is not a version like 23.0.0"},
        {R"({"plugin": "X", "host": {"version": 23}})", "host: \"version\" must be a string"},
        {R"({"plugin": "X", "answers": {}})", "\"answers\" must be an array"},
        {R"({"plugin": "X", "answers": [[1]]})", "answer 1 must be a value or an object"},
        {R"({"plugin": "X", "answers": [1, {"expect": "a"}]})", "answer 2 has no \"value\""},
        {R"({"plugin": "X", "answers": [{"value": 1, "expected": "a"}]})", "answer 1 has an unknown key"},
        {R"({"plugin": "X", "commands": [{"print": []}]})", "command 1: \"command\" is missing"},
        {R"({"plugin": "X", "commands": [{"command": "A", "print": [1]}]})",
         "\"print\" must be an array of names"},
        {R"({"plugin": "X", "executions": 0})", "\"executions\" must be a whole number from 1 to 100"},
        {R"({"plugin": "X", "documents": []})", "\"documents\" must be an object"},
    };
    for (const Case& c : cases) {
        try {
            parseJob(json::parse(c.json), "bad.json");
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const JobError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind("bad.json: ", 0), 0u) << what;
            EXPECT_NE(what.find(c.message), std::string::npos) << what << "\n  wanted: " << c.message;
        }
    }
}

TEST(JobFile, UnreadableOrInvalidFiles) {
    EXPECT_THROW(talvora::readJob("/nonexistent/job.json"), JobError);
    const std::string path = ::testing::TempDir() + "/truncated.json";
    FILE* f = fopen(path.c_str(), "w");
    fputs("{\"plugin\": \"LatmapPlugin\", \"answers\": [1, ", f);
    fclose(f);
    try {
        talvora::readJob(path);
        FAIL();
    } catch (const JobError& e) {
        EXPECT_NE(std::string(e.what()).find(path + ": not valid JSON"), std::string::npos) << e.what();
    }
}

TEST(JobFile, UnknownPluginNameIsNamed) {
    try {
        talvora::resolvePluginPath("NoSuchPlugin", "/tmp", "/nonexistent/plugins");
        FAIL();
    } catch (const JobError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "unknown plug-in \"NoSuchPlugin\": no /nonexistent/plugins/NoSuchPlugin.so");
    }
    EXPECT_EQ(talvora::resolvePluginPath("lib/X.so", "/jobs", "/p"), "/jobs/lib/X.so");
}

}  // namespace
