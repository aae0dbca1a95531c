// Running the plug-in's commands through `talvora run` on a generated
// phantom: the shared fixture of the workflow tests.
#pragma once

#include "support/phantom.h"
#include "support/run_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace workflow {

using test_support::contains;
using test_support::Outcome;

inline Outcome run(const std::string& command) {
    return test_support::shell(command);
}

inline std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

inline void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// One phantom for the whole suite (small, two volumes), and a second of
// other dimensions.
class Workflow : public ::testing::Test {
protected:
    static inline fs::path root;
    static inline fs::path set;

    static void SetUpTestSuite() {
        // One folder per process: ctest runs the tests in parallel processes.
        root = fs::path(::testing::TempDir()) / ("mirel_workflow_" + std::to_string(getpid()));
        ASSERT_EQ(test_support::makeTwoPhantoms(PHANTOM_EXE, root, "32x40x9", "24x30x9"), "");
        set = root / "p" / "ap_pa_sev5";
    }
    static void TearDownTestSuite() { fs::remove_all(root); }

    // Runs a job in the phantom's folder with the given commands (JSON array).
    Outcome job(const std::string& name, const std::string& commands, const std::string& extra = "",
                const fs::path& dir = set) {
        const fs::path file = dir / (name + ".json");
        const std::string documents = extra.find("\"documents\"") == std::string::npos
                                          ? "\"documents\": {\"fmr\": \"run_ap.fmr\"},"
                                          : "";
        write(file, "{\"plugin\": \"Mirel_r122\", " + documents + extra + " \"commands\": " + commands + "}");
        return run(std::string(TALVORA_EXE) + " run " + file.string() + " --plugins-dir " + PLUGINS_DIR);
    }
};

inline const std::string kEstimateParameters =
    "\"file0\": \"run_ap.fmr\", \"file1\": \"run_pa.fmr\", \"volume0\": 0, \"volume1\": 1, \"rllr\": 0, "
    "\"use_ic\": 0, \"use_ssd\": 1, \"save_derivative\": 1, \"order\": 0";

}  // namespace workflow
