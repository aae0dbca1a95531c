// The host's own input handling: only regular files of a size their format
// can hold are read, job files name themselves in every failure, numbers are
// range-checked before they are converted, and map names read are names that
// can be written.
#include "host/formats/glm_file.h"
#include "host/formats/map_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "host/services/host_exports.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "read_as.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace fmt = talvora::formats;
namespace fs = std::filesystem;
using test_support::readAs;
using test_support::TempFolder;
using test_support::writeBytes;

namespace {

const char* const kEveryReader[] = {".vtc", ".vth", ".prt", ".voi", ".msk", ".glm", ".blm", ".vmr", ".json"};

TEST(HostInput, OnlyRegularFilesAreRead) {
    TempFolder tmp;
    const fs::path folder = tmp / "folder.x";
    fs::create_directory(folder);
    const fs::path fifo = tmp / "pipe.x";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        fs::path path;
        const char* problem;
    };
    // Before, the pipe blocked forever and /dev/zero grew memory without bound.
    const Case cases[] = {{folder, "is a folder, not a file"},
                          {fifo, "is not a regular file (a device, pipe or socket)"},
                          {"/dev/zero", "is not a regular file (a device, pipe or socket)"},
                          {tmp / "missing.x", "cannot open the "}};
    for (const char* ext : kEveryReader)
        for (const Case& c : cases) {
            const std::string message = readAs(ext, c.path);
            EXPECT_EQ(message.rfind(c.path.string() + ": ", 0), 0u) << ext << ": " << message;
            EXPECT_NE(message.find(c.problem), std::string::npos) << ext << ": " << message;
        }
}

TEST(HostInput, FilesLargerThanTheirFormatCanHoldAreRefusedUnread) {
    TempFolder tmp;
    struct Case {
        const char* name;
        std::uint64_t size;
    };
    // Sparse files: the size is refused before a byte is read.
    const Case cases[] = {
        {"big.vmr", (1ull << 24) + 4096ull * 4096 * 4096 + 1},
        {"big.prt", (1ull << 24) + 1000ull * (300 + 100000ull * 24) + 1},
        {"big.json", (64ull << 20) + 1},
    };
    for (const Case& c : cases) {
        const fs::path path = tmp / c.name;
        writeBytes(path, "");
        fs::resize_file(path, c.size);
        const std::string message = readAs(path.extension().string(), path);
        EXPECT_NE(message.find(path.string() + ": the file holds " + std::to_string(c.size) +
                               " bytes, more than its format can hold"),
                  std::string::npos)
            << message;
    }
}

TEST(HostInput, JobFileFailuresNameTheFileAndTheProblem) {
    TempFolder tmp;
    struct Case {
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {R"({"plugin": "X", "executions": 1e400})", "not usable JSON"},
        {R"({"plugin": "X", "answers": [1e400]})", "not usable JSON"},
        {R"({"plugin": "X", "executions": 4294967297})",
         "\"executions\" must be a whole number from 1 to 100"},
        {R"({"plugin": "X", "executions": 18446744073709551615})",
         "\"executions\" must be a whole number from 1 to 100"},
        {R"({"plugin": "X", "executions": -4294967295})",
         "\"executions\" must be a whole number from 1 to 100"},
        {R"({"plugin": "X", "executions": 101})", "\"executions\" must be a whole number from 1 to 100"},
        {R"({"plugin": "X", "executions": 2.0})", "\"executions\" must be a whole number from 1 to 100"},
        {R"({"plugin": "X", "executions": "2"})", "\"executions\" must be a whole number from 1 to 100"},
        {"{\"plugin\": \"X\"", "not valid JSON"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path path = tmp / ("job" + std::to_string(++n) + ".json");
        writeBytes(path, c.text);
        try {
            talvora::readJob(path);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const talvora::JobError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(path.string() + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(c.problem), std::string::npos) << c.text << "\n" << message;
        }
    }
    const fs::path good = tmp / "good.json";
    writeBytes(good, R"({"plugin": "X", "executions": 100})");
    EXPECT_EQ(talvora::readJob(good).executions, 100);
}

TEST(HostInput, ParametersAreRangeCheckedBeforeConversion) {
    auto& host = talvora::HostState::instance();
    host.reset();
    host.echo = false;
    host.parameters["big"] = 1e10;
    host.parameters["negative"] = -1e10;
    host.parameters["max"] = 2147483647;
    host.parameters["min"] = -2147483648.0;
    host.parameters["fraction"] = -3.9;
    host.parameters["huge"] = 1e300;
    host.parameters["text"] = "12";
    EXPECT_EQ(hxGetIntParameter("big"), 0);
    EXPECT_EQ(hxGetIntParameter("negative"), 0);
    EXPECT_EQ(hxGetIntParameter("max"), 2147483647);
    EXPECT_EQ(hxGetIntParameter("min"), -2147483647 - 1);
    EXPECT_EQ(hxGetIntParameter("fraction"), -3);
    EXPECT_EQ(hxGetIntParameter("text"), 0);
    EXPECT_EQ(hxGetFloatParameter("huge"), 0.0f);
    EXPECT_EQ(hxGetFloatParameter("fraction"), -3.9f);
    ASSERT_EQ(host.logLines.size(), 3u);
    EXPECT_EQ(
        host.logLines[0],
        "Talvora> the parameter \"big\" (10000000000.0) is outside the range of a whole number; 0 is given");
    EXPECT_EQ(host.logLines[2],
              "Talvora> the parameter \"huge\" (1e+300) is outside the range of a float; 0 is given");
    host.reset();
}

// A set read from disk can always be saved again: names and labels that the
// writer refuses are refused when read, by line.
TEST(HostInput, MapNamesAreAcceptedAlikeWhenReadAndWritten) {
    TempFolder tmp;
    const std::string settings =
        "MapType: 1\nLowerThreshold: 0\nUpperThreshold: 1\nColorPositiveLow: 1 2 3\n"
        "ColorPositiveHigh: 1 2 3\nColorNegativeLow: 1 2 3\nColorNegativeHigh: 1 2 3\n"
        "UseColors: 0\nFDRThresholds: 0.5\nBinaryData:\n" +
        std::string(8, '\0');
    const auto file = [&](const std::string& label, const std::string& name) {
        return "TALVORA-MAPS 1\nNrOfMaps: 1\nOption: 10\nNrOfThresholds: 1\nResolution: 1\n"
               "BoundingBox: 0 2 0 1 0 1\nThresholdLabel: " +
               label + "\n\nMap: " + name + "\n" + settings;
    };
    struct Case {
        std::string label, name;
        const char* problem;  // "" when the file is read
    };
    const Case cases[] = {
        {"q", "left\rright", "line 9: the name of map 1 holds a carriage return"},
        {"q\rx", "m", "line 7: a threshold label holds a carriage return"},
        {"q", "m\r", ""},  // a Windows line end, not part of the name
        {"q", "plain name", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path path = tmp / ("set" + std::to_string(++n) + ".blm");
        writeBytes(path, file(c.label, c.name));
        try {
            const fmt::MapSetFile set = fmt::readMapSetFile(path);
            EXPECT_EQ(std::string(c.problem), "") << "read: " << path;
            // What was read is written again without complaint.
            EXPECT_NO_THROW(fmt::writeMapSetFile(tmp / "again.blm", set)) << path;
            EXPECT_EQ(fmt::readMapSetFile(tmp / "again.blm").maps.at(0).name, set.maps.at(0).name);
        } catch (const std::runtime_error& e) {
            ASSERT_STRNE(c.problem, "") << e.what();
            EXPECT_EQ(std::string(e.what()), path.string() + ": " + c.problem);
        }
    }
}

}  // namespace
