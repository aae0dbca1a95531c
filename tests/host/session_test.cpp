// The host's one state object: the accessors are views into it, a job starts
// from a fresh host, and the deliverable table answers for every plug-in.
#include "frame/deliverables.h"
#include "host/session/deliverables.h"
#include "host/session/host_session.h"
#include "host/session/job.h"
#include "host/services/text_copy.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using talvora::DocumentStore;
using talvora::HostSession;
using talvora::HostState;

TEST(HostSession, AccessorsAreViewsOfTheOneSession) {
    EXPECT_EQ(&HostState::instance(), &HostSession::current().state());
    EXPECT_EQ(&DocumentStore::instance(), &HostSession::current().documents());
}

TEST(HostSession, BeginJobForgetsTheLastJobButKeepsHowTheHostTalks) {
    HostState& host = HostState::instance();
    host.echo = false;
    host.interactive = true;
    host.version = {21, 0, 0};
    host.moduleName = "TalvoraEDU.exe";
    host.log("line of the last job");
    host.record("message", "old", "");
    host.parameters["stale"] = 1;
    host.runError = "last job's error";
    host.setAnswers({{nlohmann::json(1), std::nullopt}});
    host.busyDepth = 2;

    HostSession::current().beginJob();
    EXPECT_TRUE(host.logLines.empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(host.parameters.empty());
    EXPECT_EQ(host.runError, "");
    EXPECT_EQ(host.remainingAnswers(), 0u);
    EXPECT_EQ(host.busyDepth, 0);
    EXPECT_EQ(host.version.major, 24);
    EXPECT_EQ(host.moduleName, "Talvora.exe");
    EXPECT_FALSE(DocumentStore::instance().vmr().has_value());
    EXPECT_FALSE(host.echo);
    EXPECT_TRUE(host.interactive);
    host.interactive = false;
}

TEST(HostSession, EveryJobStartsFromAFreshHost) {
    const fs::path dir = fs::temp_directory_path() / ("talvora_session_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    HostState& host = HostState::instance();
    host.echo = false;
    host.parameters["stale"] = 1;
    host.log("line of the last job");
    talvora::Job job =
        talvora::parseJob(nlohmann::json{{"plugin", LATMAP_PATH}, {"work_dir", "out"}}, dir / "job.json");
    const talvora::RunResult result = talvora::runJob(job, fs::path(LATMAP_PATH).parent_path());
    // Without a VMR the latency plug-in stops at once with its message.
    EXPECT_EQ(result.executeResults, std::vector<bool>{false});
    EXPECT_EQ(host.parameters.count("stale"), 0u);
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0].text, "You should open a VMR before running this plugin.");
    for (const std::string& line : host.logLines) EXPECT_NE(line, "line of the last job");
    HostSession::current().beginJob();
    fs::remove_all(dir);
}

TEST(HostSession, ASecondJobFindsNoFunctionalProjectOrFileOutcomeOfTheFirst) {
    const fs::path dir = fs::temp_directory_path() / ("talvora_session_fmr_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "run.fmr") << "NrOfSlices: 2\nResolutionX: 4\nResolutionY: 4\n";
    HostState::instance().echo = false;
    // The first job opens a functional project and leaves it open.
    talvora::Job first = talvora::parseJob(
        nlohmann::json{{"plugin", LATMAP_PATH}, {"work_dir", "out"}, {"documents", {{"fmr", "run.fmr"}}}},
        dir / "first.json");
    talvora::runJob(first, fs::path(LATMAP_PATH).parent_path());
    ASSERT_NE(talvora::FmrDocuments::instance().current(), nullptr);
    EXPECT_EQ(&talvora::FmrDocuments::instance(), &HostSession::current().fmr());
    // A file outcome left over from outside a job.
    talvora::RunOutputs& outputs = talvora::RunOutputs::instance();
    EXPECT_EQ(&outputs, &HostSession::current().outputs());
    outputs.start();
    outputs.note(dir / "lost.txt", false);
    ASSERT_EQ(outputs.missing().size(), 1u);

    talvora::Job second =
        talvora::parseJob(nlohmann::json{{"plugin", LATMAP_PATH}, {"work_dir", "out"}}, dir / "second.json");
    const talvora::RunResult result = talvora::runJob(second, fs::path(LATMAP_PATH).parent_path());
    EXPECT_EQ(talvora::FmrDocuments::instance().current(), nullptr);
    EXPECT_TRUE(result.unwritten.empty());
    EXPECT_TRUE(outputs.missing().empty());
    EXPECT_FALSE(outputs.recording());

    outputs.start();
    outputs.note(dir / "lost.txt", false);
    HostSession::current().beginJob();
    EXPECT_TRUE(outputs.missing().empty());
    EXPECT_FALSE(outputs.recording());
    fs::remove_all(dir);
}

// The names a deliverable's descriptor lists that this very program
// exports, looked up one by one.
int exportedByName(const tl::Deliverable& deliverable) {
    void* self = dlopen(nullptr, RTLD_LAZY);
    int n = 0;
#define COUNT_IF_LISTED(name, typed, ret, params) \
    if (deliverable.calls(tl::HostFunction::name) && dlsym(self, #name)) ++n;
    TALVORA_HOST_FUNCTIONS(COUNT_IF_LISTED)
#undef COUNT_IF_LISTED
    dlclose(self);
    return n;
}

TEST(Deliverables, OneTableAnswersForEveryPlugIn) {
    struct Case {
        const char* name;
        const char* command;
        int listed;
        int exported;
    };
    const Case cases[] = {
        {"Nodora", "", 190, exportedByName(tl::deliverables::kNodora)},
        {"Mirel_r122", "task", 185, exportedByName(tl::deliverables::kMirel)},
        {"CausalisPlugin_v27", "COMMAND", 152, exportedByName(tl::deliverables::kCausalisPlugin)},
        {"LatmapPlugin", "", 185, exportedByName(tl::deliverables::kLatmapPlugin)},
        {"NoSuchPlugin", "", 0, 0},
    };
    for (const Case& c : cases) {
        const talvora::BindingReport report = talvora::bindingReport(c.name);
        EXPECT_EQ(report.listed, c.listed) << c.name;
        EXPECT_EQ(report.exported, c.exported) << c.name;
        EXPECT_EQ(talvora::commandParameterOf(c.name), c.command) << c.name;
    }
    EXPECT_GT(talvora::bindingReport("LatmapPlugin").exported, 0);
}

}  // namespace

namespace {

TEST(TextCopy, CutsToFitAndSaysWhetherItDid) {
    struct Case {
        std::string text;
        std::size_t capacity;
        std::string stored;
        bool whole;
    };
    const Case cases[] = {
        {"abc", 4, "abc", true}, {"abcd", 4, "abc", false}, {"", 1, "", true},
        {"abc", 1, "", false},   {"abc", 10, "abc", true},
    };
    for (const Case& c : cases) {
        char field[16];
        std::memset(field, 'x', sizeof field);
        EXPECT_EQ(talvora::copyText(field, c.capacity, c.text), c.whole) << c.text << " in " << c.capacity;
        EXPECT_EQ(std::string(field), c.stored) << c.text << " in " << c.capacity;
        // Nothing written past the field.
        EXPECT_EQ(field[c.capacity], 'x') << c.text << " in " << c.capacity;
    }
    char untouched = 'x';
    EXPECT_FALSE(talvora::copyText(&untouched, 0, "a"));
    EXPECT_EQ(untouched, 'x');
    EXPECT_FALSE(talvora::copyText(nullptr, 4, "a"));
}

}  // namespace
