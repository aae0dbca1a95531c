#include "gcm_run_fixture.h"

#include "host/documents/documents.h"
#include "host/formats/format_io.h"
#include "support/test_files.h"
#include "tests/granger/plugin/small_study.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace gcm_test {

namespace fs = std::filesystem;
using nlohmann::json;

void GcmRunTest::SetUp() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("gcm_run_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "plugins");
    // Each test has its own plug-ins folder, so each its own settings file.
    fs::copy_file(CAUSALIS_PLUGIN_PATH, dir_ / "plugins" / "CausalisPlugin_v27.so");
    talvora::HostState::instance().reset();
    talvora::HostState::instance().echo = false;
    ::setenv("TALVORA_GCM_FIXED_CLOCK", "1700000000", 1);
}

void GcmRunTest::TearDown() {
    ::unsetenv("TALVORA_GCM_FIXED_CLOCK");
    talvora::closeDocuments();
    talvora::HostState::instance().reset();
    if (!HasFailure()) fs::remove_all(dir_);
}

study::GrangerStudyOptions GcmRunTest::smallStudy() {
    return granger_test::smallStudy(
        2, "// test settings\nNumSurrogateSimulations= 100\nAutoRegressionOrder= 1\n");
}

void GcmRunTest::writeStudy(study::GrangerStudyOptions options) {
    std::ostringstream report;
    study::writeGrangerStudy(options, dir_, report);
    fs::copy_file(dir_ / "VUVIrurar.ini", dir_ / "plugins" / "VUVIrurar.ini",
                  fs::copy_options::overwrite_existing);
}

void GcmRunTest::writeSettings(const std::string& text) {
    std::ofstream(dir_ / "plugins" / "VUVIrurar.ini", std::ios::binary) << text;
}

talvora::RunResult GcmRunTest::run(const json& commands, const json& extra) {
    json job = {{"plugin", "plugins/CausalisPlugin_v27.so"},
                {"work_dir", "."},
                {"documents", {{"vmr", "anatomy.vmr"}, {"vtc", "S01/run1.vtc"}}},
                {"commands", commands}};
    for (auto it = extra.begin(); it != extra.end(); ++it) job[it.key()] = it.value();
    const talvora::Job parsed = talvora::parseJob(job, dir_ / "job.json");
    return talvora::runJob(parsed, dir_ / "plugins");
}

json GcmRunTest::runCommand(const std::string& subject, int method, const json& overrides) {
    json command = study::grangerRunCommand(subject, method);
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        command["parameters"][it.key()] = it.value();
    return command;
}

json GcmRunTest::startCheck() {
    return {{"command", "StartCheck"}, {"parameters", {{"VOIFile", "reference.voi"}}}};
}

std::vector<std::string> GcmRunTest::logLines() const {
    return talvora::HostState::instance().logLines;
}

bool GcmRunTest::logged(const std::string& line) const {
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool GcmRunTest::loggedContaining(const std::string& text) const {
    for (const auto& l : logLines())
        if (l.find(text) != std::string::npos) return true;
    return false;
}

std::vector<std::string> GcmRunTest::messages() const {
    std::vector<std::string> out;
    for (const auto& e : talvora::HostState::instance().events)
        if (e.kind == "message") out.push_back(e.text);
    return out;
}

std::string GcmRunTest::readText(const std::string& relative) const {
    return test_support::readBytes(dir_ / relative);
}

bool GcmRunTest::exists(const std::string& relative) const {
    return fs::exists(dir_ / relative);
}

talvora::formats::MapSetFile GcmRunTest::maps(const std::string& relative) const {
    return talvora::formats::readMapSetFile(dir_ / relative);
}

}  // namespace gcm_test
