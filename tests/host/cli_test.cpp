// The talvora program end to end: describing plug-ins, running a job file,
// and refusing bad input with a clear message and a non-zero status.
#include "support/run_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
namespace fs = std::filesystem;

using test_support::contains;
using test_support::Outcome;

Outcome talvora(const std::string& args) {
    return test_support::shell(std::string(TALVORA_EXE) + " " + args + " --plugins-dir " + PLUGINS_DIR);
}

fs::path scratch(const std::string& name) {
    fs::path dir = fs::path(::testing::TempDir()) / ("talvora_cli_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void write(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

TEST(TalvoraCli, InfoDescribesEveryPlugin) {
    const Outcome out = talvora("info LatmapPlugin CausalisPlugin_v27 Mirel_r122 Nodora");
    EXPECT_EQ(out.status, 0) << out.output;
    EXPECT_TRUE(contains(out.output, "name:         \"VOZU Rudoruz Oriping\""));
    EXPECT_TRUE(contains(out.output, "version:      \"2.7\""));
    EXPECT_TRUE(contains(out.output, "version:      \"1.2.2\""));
    EXPECT_TRUE(contains(out.output, "name:         \"Graph Analysis\""));
    EXPECT_TRUE(contains(out.output, "of 185"));
    EXPECT_TRUE(contains(out.output, "of 152"));
    EXPECT_TRUE(contains(out.output, "of 190"));
    EXPECT_TRUE(contains(out.output, "Plugin> ** Starting Graph Analysis **"));
}

TEST(TalvoraCli, JobRunAgainstAnOldHost) {
    const fs::path dir = scratch("old_host");
    write(dir / "job.json", R"({"plugin": "LatmapPlugin", "host": {"version": "21.9.9"}, "executions": 2,
                             "work_dir": "out"})");
    const Outcome out =
        talvora("run " + (dir / "job.json").string() + " --transcript " + (dir / "transcript.json").string());
    EXPECT_EQ(out.status, 3) << out.output;
    EXPECT_TRUE(contains(out.output, "execute 2 returned false"));
    std::ifstream in(dir / "transcript.json");
    const std::string transcript((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(
        contains(transcript, "Can not execute this plugin - Talvora version 22.0 or higher required."));
    EXPECT_TRUE(fs::exists(dir / "out" / "talvora.log"));
}

TEST(TalvoraCli, FormCommandsSetParametersAndPrintThem) {
    const fs::path dir = scratch("form");
    write(dir / "job.json", R"({"plugin": "CausalisPlugin_v27", "parameters": {"NrOfSubjects": 2},
      "commands": [{"command": "Noop", "print": ["COMMAND", "NrOfSubjects", "Unset"]}]})");
    const Outcome out = talvora("run " + (dir / "job.json").string());
    // The plug-in refuses a command it does not know (execute returns false),
    // after the parameters were set and printed.
    EXPECT_EQ(out.status, 3) << out.output;
    EXPECT_TRUE(contains(out.output, "COMMAND = Noop"));
    EXPECT_TRUE(contains(out.output, "NrOfSubjects = 2"));
    EXPECT_TRUE(contains(out.output, "Unset = (unset)"));
}

TEST(TalvoraCli, GuiModeRunsTheGraphPluginsEventLoop) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const Outcome out = talvora("gui Nodora --quit-after 300");
    EXPECT_EQ(out.status, 0) << out.output;
    EXPECT_TRUE(contains(out.output, "Plugin> ** Starting Graph Analysis **")) << out.output;
    const Outcome old = talvora("gui Nodora --host-version 2.5.9 --quit-after 300");
    EXPECT_EQ(old.status, 1) << old.output;
    EXPECT_TRUE(contains(old.output, "TalvoraHX version 2.6.0 or higher required.")) << old.output;
}

TEST(TalvoraCli, BadInputIsRefusedClearly) {
    const fs::path dir = scratch("bad");
    write(dir / "malformed.json", "{\"plugin\": ");
    write(dir / "unknown.json", R"({"plugin": "NoSuchPlugin"})");
    write(dir / "notalib.so", "this is not a library");
    write(dir / "notalib.json", R"({"plugin": "notalib.so"})");
    write(dir / "nocreate.json", std::string(R"({"plugin": ")") + NOT_A_PLUGIN + "\"}");
    write(dir / "commands.json", R"({"plugin": "LatmapPlugin", "commands": [{"command": "x"}]})");
    write(dir / "overflow.json", R"({"plugin": "LatmapPlugin", "executions": 1e400})");
    fs::create_directories(dir / "folder.json");
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"run " + (dir / "malformed.json").string(), 2,
         (dir / "malformed.json").string() + ": not valid JSON"},
        {"run " + (dir / "missing.json").string(), 2,
         (dir / "missing.json").string() + ": cannot open the job file"},
        {"run " + (dir / "unknown.json").string(), 2, "unknown plug-in \"NoSuchPlugin\""},
        {"run " + (dir / "notalib.json").string(), 2, "notalib.so: the plug-in library does not load"},
        {"run " + (dir / "nocreate.json").string(), 2, "not a Talvora plug-in (it exports no createPlugin)"},
        {"run " + (dir / "commands.json").string(), 2, "\"commands\" are for form-driven plug-ins"},
        {"run " + (dir / "overflow.json").string(), 2,
         (dir / "overflow.json").string() + ": not usable JSON"},
        {"run " + (dir / "folder.json").string(), 2,
         (dir / "folder.json").string() + ": is a folder, not a file"},
        {"info NoSuchPlugin", 2, "unknown plug-in \"NoSuchPlugin\""},
        {"info LatmapPlugin --host-version 2x", 2, "--host-version"},
        {"run " + (dir / "commands.json").string() + " --host-version 2x", 2,
         "--host-version: \"2x\" is not a version like 23.0.0"},
        {"gui Nodora --host-version 2.x", 2, "--host-version: \"2.x\" is not a version like 23.0.0"},
        {"info LatmapPlugin --module Other.exe", 105, "Other.exe"},
    };
    for (const Case& c : cases) {
        const Outcome out = talvora(c.args);
        EXPECT_EQ(out.status, c.status) << c.args << "\n" << out.output;
        EXPECT_TRUE(contains(out.output, c.message)) << c.args << "\n" << out.output;
    }
}

}  // namespace
