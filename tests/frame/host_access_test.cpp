// The host access layer over a table filled by hand: required calls throw
// with the function's name, optional calls give null, text reads stop at
// the buffer, start-up checks name the first missing function; and the
// descriptors say what each deliverable is.
#include "frame/atomic_file.h"
#include "frame/deliverables.h"
#include "frame/host_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using F = tl::HostFunction;
namespace fs = std::filesystem;

std::string g_lastName;
int g_answer = 1;
std::size_t g_fill = 0;

// Fills the whole buffer it was given (g_fill bytes) without a terminator,
// as a careless host might.
int fillParameter(const char* name, char* value) {
    g_lastName = name;
    std::memset(value, 'x', g_fill);
    return g_answer;
}

TEST(HostAccess, RequiredCallNamesTheMissingFunction) {
    tl::HostAccess host(tl::deliverables::kMirel);
    try {
        host.required<F::hxGetIntParameter>();
        FAIL() << "no exception";
    } catch (const tl::MissingHostFunction& e) {
        EXPECT_STREQ(e.what(), "the host does not offer hxGetIntParameter");
    }
    EXPECT_EQ(host.optional<F::hxGetIntParameter>(), nullptr);
    EXPECT_THROW(host.readRequiredText<F::hxGetStringParameter>(16, "files"), tl::MissingHostFunction);
    EXPECT_EQ(host.readText<F::hxGetStringParameter>(16, "files"), "");
}

TEST(HostAccess, TextStopsBeforeTheBuffersLastByte) {
    tl::HostAccess host(tl::deliverables::kCausalisPlugin);
    host.table().hxGetStringParameter = fillParameter;
    g_fill = 10;
    EXPECT_EQ(host.readText<F::hxGetStringParameter>(10, "COMMAND"), std::string(9, 'x'));
    EXPECT_EQ(g_lastName, "COMMAND");
    g_fill = 41;
    EXPECT_EQ(host.readRequiredText<F::hxGetStringParameter>(41, "files"), std::string(40, 'x'));
}

TEST(HostAccess, AnswerIsKeptOnlyWhenTheHostAnswers) {
    tl::HostAccess host(tl::deliverables::kLatmapPlugin);
    std::string text = "before";
    EXPECT_FALSE(host.readAnswer<F::hxGetStringParameter>(text, 8, "a"));
    host.table().hxGetStringParameter = fillParameter;
    g_fill = 8;
    g_answer = 0;
    EXPECT_FALSE(host.readAnswer<F::hxGetStringParameter>(text, 8, "a"));
    EXPECT_EQ(text, "before");
    g_answer = 1;
    EXPECT_TRUE(host.readAnswer<F::hxGetStringParameter>(text, 8, "a"));
    EXPECT_EQ(text, "xxxxxxx");
}

TEST(HostAccess, FirstMissingFollowsTheGivenOrder) {
    tl::HostAccess host(tl::deliverables::kLatmapPlugin);
    host.table().hxGetStringParameter = fillParameter;
    EXPECT_EQ(host.firstMissing({F::hxGetStringParameter}), nullptr);
    EXPECT_STREQ(host.firstMissing({F::hxGetStringParameter, F::hxLogText, F::hxGetVOI}), "hxLogText");
    // A function the descriptor does not declare is never bound, so it is missing.
    host.table().hxGetVersionOfTalvoraHX = [](int*, int*, int*) {};
    EXPECT_STREQ(host.firstMissing({F::hxGetVersionOfTalvoraHX}), "hxGetVersionOfTalvoraHX");
}

TEST(HostAccess, VersionGateUsesTheDescriptorsFunctionAndMessage) {
    static std::vector<std::string> boxes;
    static int version[3];
    tl::HostAccess host(tl::deliverables::kNodora);
    host.table().hxMessageBox = [](const char* text) { boxes.push_back(text); };
    host.table().hxGetVersionOfTalvoraHX = [](int* a, int* b, int* c) {
        *a = version[0];
        *b = version[1];
        *c = version[2];
    };
    version[0] = 2, version[1] = 6, version[2] = 0;
    EXPECT_TRUE(host.versionAccepted());
    EXPECT_TRUE(boxes.empty());
    version[1] = 5, version[2] = 9;
    EXPECT_FALSE(host.versionAccepted());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Plugin> Can not execute this plugin - TalvoraHX version 2.6.0 or higher required.");
}

std::vector<std::string> exportsOf(const tl::Deliverable& d) {
    return std::vector<std::string>(d.exports, d.exports + d.nrOfExports);
}

TEST(Descriptors, SayWhatEachDeliverableIs) {
    using tl::deliverables::kCausalisPlugin;
    using tl::deliverables::kLatmapPlugin;
    using tl::deliverables::kMirel;
    using tl::deliverables::kNodora;
    const std::vector<std::string> common = {"createPlugin", "getPluginName", "getPluginDescription",
                                             "getAuthor", "getHelpFile"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> all = common;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    EXPECT_EQ(exportsOf(kLatmapPlugin), with({"getGUIScript", "getRegistrationOfGenericComponentLoader"}));
    EXPECT_EQ(exportsOf(kCausalisPlugin),
              with({"getPluginVersion", "getQMLFile", "getRegistrationOfGenericComponentLoader"}));
    EXPECT_EQ(exportsOf(kMirel), with({"getPluginVersion", "getQMLFile"}));
    EXPECT_EQ(exportsOf(kNodora), with({"getPluginVersion", "getGUIScript"}));

    EXPECT_STREQ(kLatmapPlugin.form.command, "");
    EXPECT_STREQ(kCausalisPlugin.form.command, "COMMAND");
    EXPECT_STREQ(kMirel.form.command, "task");
    EXPECT_STREQ(kNodora.form.command, "");
    EXPECT_EQ(kMirel.form.stringBuffer, 10240u);
    EXPECT_EQ(kCausalisPlugin.form.stringBuffer, tl::kPathCapacity);

    for (const tl::Deliverable* d : {&kLatmapPlugin, &kCausalisPlugin, &kMirel}) {
        EXPECT_STREQ(d->hostModules[0], "Talvora.exe") << d->name;
        EXPECT_STREQ(d->hostModules[1], "TalvoraEDU.exe") << d->name;
        EXPECT_EQ(d->versionGate.versionFunction, F::tlGetVersionOfTalvora) << d->name;
    }
    EXPECT_STREQ(kNodora.hostModules[0], "TalvoraHX.exe");
    EXPECT_STREQ(kNodora.hostModules[1], "Talvora.exe");
    EXPECT_EQ(kLatmapPlugin.versionGate.minimum.major, 22);
    EXPECT_EQ(kCausalisPlugin.versionGate.minimum.major, 23);
    EXPECT_EQ(kMirel.versionGate.minimum.major, 23);
    EXPECT_STREQ(kLatmapPlugin.versionGate.tooOldMessage,
                 "Can not execute this plugin - Talvora version 22.0 or higher required.");

    EXPECT_TRUE(kCausalisPlugin.uses(tl::HostExtension::FixedClock));
    EXPECT_FALSE(kLatmapPlugin.uses(tl::HostExtension::FixedClock));
    for (const tl::Deliverable* d : tl::deliverables::kAll)
        EXPECT_TRUE(d->uses(tl::HostExtension::NoteFileOutcome)) << d->name;

    // What a plug-in calls beyond its family is not bound.
    EXPECT_FALSE(kCausalisPlugin.calls(F::hxGetMAPOfCurrentFMR));
    EXPECT_TRUE(kMirel.calls(F::hxGetMAPOfCurrentFMR));
    EXPECT_FALSE(kMirel.calls(F::hxGetVersionOfTalvoraHX));
    EXPECT_FALSE(kNodora.calls(F::tlGetVersionOfTalvora));
}

std::vector<std::pair<std::string, int>> g_outcomes;

TEST(AtomicFile, TellsTheListenerEveryOutcome) {
    const fs::path dir =
        fs::temp_directory_path() /
        ("frame_outcomes_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir);
    tl::setFileOutcomeListener([](const char* path, int written) { g_outcomes.emplace_back(path, written); });
    const std::string good = (dir / "a.txt").string();
    tl::writeFileAtomically(good, [](std::ostream& out) { out << "a"; });
    const std::string bad = (dir / "missing" / "b.txt").string();
    EXPECT_THROW(tl::writeFileAtomically(bad, [](std::ostream& out) { out << "b"; }), std::runtime_error);
    tl::setFileOutcomeListener(nullptr);
    tl::writeFileAtomically(good, [](std::ostream& out) { out << "c"; });
    const std::vector<std::pair<std::string, int>> expected = {{good, 1}, {bad, 0}};
    EXPECT_EQ(g_outcomes, expected);
    fs::remove_all(dir);
}

}  // namespace
