#pragma once
// Drives the built CausalisPlugin_v27 through the stand-in host in-process:
// a temporary study folder with its own plug-ins folder (for the settings
// file), jobs of form commands, and access to the log and the files written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/formats/map_file.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "tools/make_study/granger_study.h"

namespace gcm_test {

class GcmRunTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& dir() const { return dir_; }
    // Writes a small study (2 subjects, 6 x 4 x 1 voxels, 120 volumes, 100 surrogates).
    void writeStudy(study::GrangerStudyOptions options = smallStudy());
    static study::GrangerStudyOptions smallStudy();
    // Writes the plug-ins folder's settings file.
    void writeSettings(const std::string& text);

    // Runs these commands (documents: the anatomy and S01's VTC linked) with the clock fixed.
    talvora::RunResult run(const nlohmann::json& commands,
                           const nlohmann::json& extra = nlohmann::json::object());
    static nlohmann::json runCommand(const std::string& subject, int method,
                                     const nlohmann::json& overrides = {});
    static nlohmann::json startCheck();

    std::vector<std::string> logLines() const;
    bool logged(const std::string& line) const;
    bool loggedContaining(const std::string& text) const;
    std::vector<std::string> messages() const;
    std::string readText(const std::string& relative) const;
    bool exists(const std::string& relative) const;
    talvora::formats::MapSetFile maps(const std::string& relative) const;

private:
    std::filesystem::path dir_;
};

}  // namespace gcm_test
