// The plug-ins inside the stand-in host: version gates at their boundaries,
// where each one checks, and the graph plug-in under the plain host name.
#include "host/session/host_state.h"
#include "host/session/plugin_loader.h"

#include <gtest/gtest.h>

namespace {

using talvora::HostState;
using talvora::LoadedPlugin;

struct Gate {
    const char* path;
    tl::Version atMinimum, justBelow;
    const char* message;
};

const char* const kMessage23 = "Can not execute this plugin - Talvora version 23.0 or higher required.";

class VersionGate : public ::testing::Test {
protected:
    void SetUp() override {
        HostState::instance().reset();
        HostState::instance().echo = false;
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& e : HostState::instance().events)
            if (e.kind == "message") out.push_back(e.text);
        return out;
    }
    bool shown(const std::string& message) const {
        for (const auto& m : messages())
            if (m == message) return true;
        return false;
    }
    // Starts the plug-in where its deliverable checks the version; true when
    // the gate let it through. The latency plug-in checks in execute and then
    // goes on to its run (which stops at once: no volume is open).
    bool start(const char* path, tl::Version v, const char* gateMessage = "") {
        HostState::instance().version = v;
        HostState::instance().events.clear();
        LoadedPlugin plugin(path);
        plugin.create();
        if (std::string(path) == LATMAP_PATH) {
            EXPECT_TRUE(plugin.initPlugin());
            const bool ok = plugin.execute();
            return ok || !shown(gateMessage);
        }
        return plugin.initPlugin();
    }
};

TEST_F(VersionGate, Boundaries) {
    const Gate gates[] = {
        {CAUSALIS_PATH, {23, 0, 0}, {22, 99, 99}, kMessage23},
        {MIREL_PATH, {23, 0, 0}, {22, 99, 99}, kMessage23},
        {LATMAP_PATH,
         {22, 0, 0},
         {21, 99, 99},
         "Can not execute this plugin - Talvora version 22.0 or higher required."},
        {NODORA_PATH,
         {2, 6, 0},
         {2, 5, 9},
         "Plugin> Can not execute this plugin - TalvoraHX version 2.6.0 or higher required."},
    };
    for (const Gate& g : gates) {
        SCOPED_TRACE(g.path);
        if (std::string(g.path) == NODORA_PATH) HostState::instance().moduleName = "TalvoraHX.exe";
        EXPECT_FALSE(start(g.path, g.justBelow, g.message));
        EXPECT_EQ(messages(), std::vector<std::string>{g.message});
        EXPECT_TRUE(start(g.path, g.atMinimum, g.message));
        EXPECT_FALSE(shown(g.message));
        // A greater major passes whatever its minor and patch.
        EXPECT_TRUE(start(g.path, {g.atMinimum.major + 1, 0, 0}, g.message));
        // A greater minor on the same major passes whatever the patch.
        EXPECT_TRUE(start(g.path, {g.justBelow.major, g.justBelow.minor + 1, 0}, g.message) ==
                    (g.justBelow.major == g.atMinimum.major));
        HostState::instance().moduleName = "Talvora.exe";
    }
}

TEST_F(VersionGate, LatencyPluginChecksOnEveryExecute) {
    HostState::instance().version = {21, 5, 0};
    LoadedPlugin plugin(LATMAP_PATH);
    plugin.create();
    EXPECT_TRUE(plugin.initPlugin()) << "nothing is checked before execute";
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(plugin.execute());
    EXPECT_FALSE(plugin.execute());
    EXPECT_EQ(messages().size(), 2u);
}

TEST_F(VersionGate, GraphPluginUnderThePlainHostName) {
    HostState::instance().moduleName = "Talvora.exe";
    HostState::instance().version = {24, 0, 0};
    LoadedPlugin plugin(NODORA_PATH);
    plugin.create();
    ASSERT_TRUE(plugin.initPlugin());
    const auto& log = HostState::instance().logLines;
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "Plugin> ** Starting Graph Analysis **");
}

TEST_F(VersionGate, HostNamedForEducationServesOnlyTheMainPlugins) {
    HostState::instance().moduleName = "TalvoraEDU.exe";
    EXPECT_TRUE(start(CAUSALIS_PATH, {24, 0, 0}));
    EXPECT_FALSE(start(NODORA_PATH, {24, 0, 0}));
    EXPECT_TRUE(messages().empty()) << "a failed binding shows nothing";
}

TEST_F(VersionGate, MirelStartUpLinesAndNumerics) {
    ASSERT_TRUE(start(MIREL_PATH, {23, 0, 0}));
    const std::vector<std::string> expected = {" ", "Plugin> Running Mirel...", "Plugin>"};
    EXPECT_EQ(HostState::instance().logLines, expected);
}

}  // namespace
