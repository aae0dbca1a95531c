// The job files docs/latency.md shows are exactly those talvora-make-study
// writes for its default study, and each runs to its end with every answer
// used: a new user can copy them.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

#include "host/documents/documents.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "tools/make_study/job_files.h"
#include "tools/make_study/study_design.h"
#include "tools/make_study/study_files.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The ```json block that follows the heading naming `fileName`; empty when
// there is none.
std::string documentedJob(const std::string& doc, const std::string& fileName) {
    const std::size_t heading = doc.find("#### `" + fileName + "`");
    if (heading == std::string::npos) return "";
    const std::string open = "```json\n";
    const std::size_t start = doc.find(open, heading);
    if (start == std::string::npos) return "";
    const std::size_t end = doc.find("```", start + open.size());
    if (end == std::string::npos) return "";
    return doc.substr(start + open.size(), end - start - open.size());
}

class DocumentedJobs : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("latency_documented_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        talvora::HostState::instance().reset();
        talvora::HostState::instance().echo = false;
    }
    void TearDown() override {
        talvora::closeDocuments();
        talvora::HostState::instance().reset();
        if (!HasFailure()) fs::remove_all(dir_);
    }
    fs::path dir_;
};

TEST_F(DocumentedJobs, AreWhatTheGeneratorWritesAndRunToTheirEnd) {
    const std::string doc = readFile(fs::path(TALVORA_SOURCE_DIR) / "docs" / "latency.md");
    ASSERT_FALSE(doc.empty());
    const study::StudyDesign design = study::planStudy(study::StudyOptions{});
    std::ostringstream progress;
    study::writeStudy(design, dir_, progress);

    int modes = 0;
    for (const study::LatencyJob& job : study::latencyJobs(design)) {
        if (job.singleTrial || job.glm) continue;
        ++modes;
        const std::string documented = documentedJob(doc, job.fileName());
        ASSERT_FALSE(documented.empty()) << job.fileName() << " is not shown in docs/latency.md";
        EXPECT_EQ(documented, readFile(dir_ / job.fileName())) << job.fileName();

        // The documented text itself, run as a job in the study's folder.
        const fs::path copy = dir_ / ("documented_" + job.fileName());
        std::ofstream(copy, std::ios::binary) << documented;
        talvora::HostState::instance().reset();
        talvora::HostState::instance().echo = false;
        const talvora::RunResult result =
            talvora::runJob(talvora::readJob(copy), fs::path(LATMAP_PLUGIN_PATH).parent_path());
        EXPECT_EQ(result.error, "") << job.fileName();
        EXPECT_EQ(result.executeResults, std::vector<bool>{true}) << job.fileName();
        EXPECT_EQ(talvora::HostState::instance().remainingAnswers(), 0u) << job.fileName();
        const fs::path out = dir_ / job.workDir();
        EXPECT_TRUE(fs::exists(out / "AvgTrials_Results.txt")) << job.fileName();
        EXPECT_TRUE(fs::exists(out / ("latency_" + job.name + ".blm"))) << job.fileName();
        EXPECT_EQ(fs::exists(out / "AvgTrials_Regions.csv"), job.accessMode != 1) << job.fileName();
        talvora::closeDocuments();
    }
    EXPECT_EQ(modes, 3);
}

}  // namespace
