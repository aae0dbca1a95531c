// A form command that reports an error ends `talvora run` with status 6 and
// a line naming the command and the plug-in's own error, although `execute`
// returned true (distortion plug-in) or only false (Granger plug-in).
#include "host/app/transcript.h"
#include "support/phantom.h"
#include "support/run_program.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;

using test_support::Outcome;
using test_support::shell;

using test_support::contains;

void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One small AP/PA phantom (two volumes) for the suite.
class DistortionCommandErrors : public ::testing::Test {
protected:
    static fs::path root;
    static fs::path set;

    static void SetUpTestSuite() {
        root = fs::path(::testing::TempDir()) / ("talvora_form_errors_" + std::to_string(getpid()));
        ASSERT_EQ(test_support::makeTwoPhantoms(PHANTOM_EXE, root, "24x30x9", "16x20x9"), "");
        set = root / "p" / "ap_pa_sev5";
    }
    static void TearDownTestSuite() { fs::remove_all(root); }

    // Runs `commands` (a JSON array) with the AP project as the current FMR
    // unless `documents` says otherwise.
    Outcome job(const std::string& commands,
                const std::string& documents = R"("documents": {"fmr": "run_ap.fmr"},)") {
        const fs::path file = set / "job.json";
        write(file, "{\"plugin\": \"Mirel_r122\", " + documents + " \"commands\": " + commands + "}");
        return shell(std::string(TALVORA_EXE) + " run " + file.string() + " --plugins-dir " + PLUGINS_DIR);
    }
    static std::string estimate(const std::string& changes) {
        std::string parameters =
            R"("file0": "run_ap.fmr", "file1": "run_pa.fmr", "volume0": 0, "volume1": 1, "rllr": 0, )"
            R"("use_ic": 0, "use_ssd": 1, "save_derivative": 0, "order": 0, "apply_to_input": 0)";
        if (!changes.empty()) parameters += ", " + changes;
        return R"([{"command": "estimate", "parameters": {)" + parameters + "}}]";
    }
    static std::string apply(const std::string& vdm, const std::string& files) {
        return R"([{"command": "apply", "parameters": {"vdm": ")" + vdm + R"(", "rllr": 0, "files": ")" +
               files + "\"}}]";
    }
    std::string jobLine(const std::string& rest) const {
        return "talvora: " + (set / "job.json").string() + ": " + rest;
    }
};
fs::path DistortionCommandErrors::root;
fs::path DistortionCommandErrors::set;

TEST_F(DistortionCommandErrors, CommandsThatSucceedStillExitZero) {
    const Outcome o = job(R"([{"command": "check", "parameters": {"files": "run_ap.fmr\nrun_pa.fmr"}}])");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_TRUE(contains(o.output, "Check: OK")) << o.output;
    EXPECT_FALSE(contains(o.output, "reported an error")) << o.output;
}

TEST_F(DistortionCommandErrors, VolumeOutOfRange) {
    const Outcome o = job(estimate(R"("volume0": 2)"));
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, jobLine("command 1 (\"estimate\") reported an error: Error: Cannot use "
                                           "volume 2 of file run_ap.fmr, which has only 2 volumes.\n")))
        << o.output;
    EXPECT_TRUE(contains(o.output, "talvora: execute 1 returned true")) << o.output;
}

TEST_F(DistortionCommandErrors, ApAndPaOfDifferentSizes) {
    const Outcome o =
        job(estimate("\"file1\": \"" + (root / "q" / "ap_pa_sev5" / "run_pa.fmr").string() + "\""));
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, jobLine("command 1 (\"estimate\") reported an error: Error: All datasets "
                                           "must have the same dimensions!\n")))
        << o.output;
}

TEST_F(DistortionCommandErrors, MissingMap) {
    const Outcome o = job(apply("absent.map", "run_ap.fmr"));
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, jobLine("command 1 (\"apply\") reported an error: Error: could not open "
                                           "file absent.map\n")))
        << o.output;
}

TEST_F(DistortionCommandErrors, MissingAndShortDataFiles) {
    const fs::path dir = set / "data";
    fs::create_directories(dir);
    const std::string header = readAll(set / "run_ap.fmr");
    // The same header beside no data file, and beside a data file cut short.
    write(dir / "nodata.fmr", header);
    fs::create_directories(dir / "short");
    write(dir / "short" / "short.fmr", header);
    for (const auto& e : fs::directory_iterator(set))
        if (e.path().extension() == ".stc") {
            const std::string data = readAll(e.path());
            write(dir / "short" / e.path().filename(), data.substr(0, data.size() / 2));
        }
    Outcome o = job(estimate("\"file0\": \"" + (dir / "nodata.fmr").string() + "\""));
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, "(\"estimate\") reported an error: Error: Failed opening STC for reading"))
        << o.output;
    o = job(estimate("\"file0\": \"" + (dir / "short" / "short.fmr").string() + "\""));
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, "(\"estimate\") reported an error: Error: ")) << o.output;
}

TEST_F(DistortionCommandErrors, BadHeader) {
    const fs::path dir = set / "header";
    fs::create_directories(dir);
    write(
        dir / "format.dmr",
        "DataStorageFormat: 2\nNrOfVolumes: 1\nNrOfSlices: 1\nResolutionX: 2\nResolutionY: 2\nPrefix: format\n");
    write(dir / "format.dwi", std::string(8, '\0'));
    const Outcome o = job(apply((set / "truth_vdm.map").string(), (dir / "format.dmr").string()));
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, jobLine("command 1 (\"apply\") reported an error: Error: Can only read "
                                           "DataStorageFormat 3, Not 2\n")))
        << o.output;
}

TEST_F(DistortionCommandErrors, NoCurrentFmr) {
    const Outcome o = job(estimate(""), "");
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, "Talvora> no functional project (FMR) is open\n")) << o.output;
    EXPECT_TRUE(contains(o.output, "command 1 (\"estimate\") reported an error: Error: assertion failure ("))
        << o.output;
}

TEST_F(DistortionCommandErrors, EachFailedCommandIsNamed) {
    const Outcome o = job(R"([{"command": "check", "parameters": {"files": "run_ap.fmr"}},
                              {"command": "apply", "parameters": {"vdm": "absent.map", "rllr": 0, "files": "run_ap.fmr"}},
                              {"command": "apply", "parameters": {"vdm": "gone.map", "rllr": 0, "files": "run_ap.fmr"}}])");
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_FALSE(contains(o.output, "command 1 (")) << o.output;
    EXPECT_TRUE(contains(o.output, jobLine("command 2 (\"apply\") reported an error: Error: could not open "
                                           "file absent.map\n")))
        << o.output;
    EXPECT_TRUE(contains(o.output, jobLine("command 3 (\"apply\") reported an error: Error: could not open "
                                           "file gone.map\n")))
        << o.output;
}

// A generated Granger study (one subject is enough) with its VTC linked by
// the first command, as the form does.
class GrangerCommandErrors : public ::testing::Test {
protected:
    static fs::path study;

    static void SetUpTestSuite() {
        study = fs::path(::testing::TempDir()) / ("talvora_gcm_errors_" + std::to_string(getpid()));
        fs::remove_all(study);
        const Outcome made = shell(std::string(GCM_STUDY_EXE) + " --subjects 1 --out " + study.string());
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() { fs::remove_all(study); }

    Outcome runGcm(const std::string& vtc, const std::string& answers = "[]") {
        const fs::path file = study / "job.json";
        write(file, R"({"plugin": "CausalisPlugin_v27", "documents": {"vmr": "anatomy.vmr"}, "answers": )" +
                        answers +
                        R"(, "commands": [
              {"command": "GetCondsOfVTCProtocol", "parameters": {"VTCFile": "S01/run1.vtc"}},
              {"command": "RunGCM", "parameters": {"VOIFile": "reference.voi", "SelectedVOIIndex": 0,
               "SelectedTimeWindowMethod": 2, "SelectedConditionName": "Task", "SubjectID": "S01",
               "NrOfSubjVTCs": 1, "SubjVTC-1": ")" +
                        vtc + R"(", "VTCIntervalStart": 11, "VTCIntervalEnd": 0, "VTCProtocolCond": 0}}]})");
        return shell(std::string(TALVORA_EXE) + " run " + file.string() + " --plugins-dir " + PLUGINS_DIR);
    }
    std::string jobLine(const std::string& rest) const {
        return "talvora: " + (study / "job.json").string() + ": " + rest;
    }
};
fs::path GrangerCommandErrors::study;

TEST_F(GrangerCommandErrors, ASuccessfulRunExitsZero) {
    const Outcome o = runGcm("S01/run1.vtc");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_TRUE(contains(o.output, "Done, all computations succesful")) << o.output;
    EXPECT_FALSE(contains(o.output, "reported an error")) << o.output;
}

TEST_F(GrangerCommandErrors, ResultTwoInvalidSelection) {
    // The only VTC cannot be opened: no usable VTC for the condition.
    const Outcome o = runGcm("S01/absent.vtc");
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(contains(o.output, jobLine("command 2 (\"RunGCM\") reported an error: result 2 (invalid "
                                           "selection or parameters): ERROR: No usable VTC was selected for "
                                           "condition 'Task'\n")))
        << o.output;
    EXPECT_TRUE(contains(o.output, "talvora: execute 2 returned false")) << o.output;
}

TEST_F(GrangerCommandErrors, ResultThreeFileError) {
    // The VTC's protocol is gone and the one chosen instead cannot be read.
    fs::rename(study / "S01" / "study.prt", study / "S01" / "kept.prt");
    const Outcome o = runGcm("S01/run1.vtc", R"(["missing.prt"])");
    fs::rename(study / "S01" / "kept.prt", study / "S01" / "study.prt");
    EXPECT_EQ(o.status, 6) << o.output;
    EXPECT_TRUE(
        contains(o.output, jobLine("command 2 (\"RunGCM\") reported an error: result 3 (internal or "
                                   "file error): ERROR: Could not get access to protocol definition\n")))
        << o.output;
    // The first command failed without an error of its own (no conditions).
    EXPECT_FALSE(contains(o.output, "command 1 (")) << o.output;
}

// A transcript holds UTF-8 only: the host escapes the bytes a plug-in logs
// in another encoding (a Latin-1 VOI name), and the run keeps its status.
TEST_F(GrangerCommandErrors, TranscriptEscapesLatin1AndKeepsTheStatus) {
    const std::string voi = readAll(study / "reference.voi");
    std::string latin1 = voi;
    const auto at = latin1.find("VOI: Reference");
    ASSERT_NE(at, std::string::npos);
    latin1.replace(at, 14,
                   "VOI: R\xE9"
                   "f\xE9"
                   "rence");
    write(study / "reference.voi", latin1);
    const fs::path transcript = study / "transcript.json";
    const std::string job = (study / "job.json").string();
    const auto withTranscript = [&](const std::string& vtc) {
        runGcm(vtc);  // writes the job file
        return shell(std::string(TALVORA_EXE) + " run " + job + " --plugins-dir " + PLUGINS_DIR +
                     " --transcript " + transcript.string());
    };
    Outcome o = withTranscript("S01/run1.vtc");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_EQ(readAll(transcript).find('\xE9'), std::string::npos);
    nlohmann::json parsed = nlohmann::json::parse(readAll(transcript));
    bool found = false;
    for (const auto& line : parsed.at("log"))
        found = found ||
                line.get<std::string>().find("\nGCM> VOI: <b>R\\xE9f\\xE9rence</b>") != std::string::npos;
    EXPECT_TRUE(found) << parsed.at("log").dump();
    EXPECT_TRUE(parsed.at("command_errors").empty());

    o = withTranscript("S01/absent.vtc");
    write(study / "reference.voi", voi);
    EXPECT_EQ(o.status, 6) << o.output;
    parsed = nlohmann::json::parse(readAll(transcript));
    ASSERT_EQ(parsed.at("command_errors").size(), 1u);
    EXPECT_EQ(parsed.at("command_errors")[0].get<std::string>().rfind(
                  "command 2 (\"RunGCM\") reported an error: result 2", 0),
              0u);
    EXPECT_EQ(parsed.at("execute"), nlohmann::json({true, false}));
}

TEST(TranscriptText, OnlyBytesOutsideWellFormedUtf8AreEscaped) {
    using talvora::escapeNonUtf8;
    EXPECT_EQ(escapeNonUtf8("plain \\ text"), "plain \\ text");
    EXPECT_EQ(escapeNonUtf8("R\xC3\xA9gion \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "R\xC3\xA9gion \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(escapeNonUtf8("R\xE9gion"), "R\\xE9gion");
    // A sequence cut short, an overlong form, a surrogate, a byte never used.
    EXPECT_EQ(escapeNonUtf8("a\xE2\x82"), "a\\xE2\\x82");
    EXPECT_EQ(escapeNonUtf8("\xC0\x80"), "\\xC0\\x80");
    EXPECT_EQ(escapeNonUtf8("\xED\xA0\x80"), "\\xED\\xA0\\x80");
    EXPECT_EQ(escapeNonUtf8("\xFF"), "\\xFF");
    EXPECT_EQ(escapeNonUtf8("\xF4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80");
}

}  // namespace
