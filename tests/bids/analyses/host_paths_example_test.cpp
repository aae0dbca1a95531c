// talvora-bids on the example dataset with each host job run in a child of
// itself and with TALVORA_EXE naming the talvora program: the derivatives and
// the kept work folder (converted runs, job, transcript, host output) are the
// same bytes, and so is the app's own output but for its elapsed times (the
// Granger surrogates' clock is fixed for both, as it is seeded by the time).
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "support/run_program.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using test_support::shell;

namespace {

// Every file and link under `root` by its path there: the bytes of a file,
// the target of a link (the Granger run's link to its plug-in).
std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = fs::relative(it->path(), root).generic_string();
        if (it->is_symlink())
            entries[name] = "link to " + fs::read_symlink(it->path()).string();
        else if (it->is_regular_file())
            entries[name] = test_support::readBytes(it->path());
        else if (it->is_directory())
            entries[name] = "folder";
    }
    return entries;
}

std::string withoutElapsedTimes(const std::string& output) {
    return std::regex_replace(output, std::regex(R"( \[elapsed [0-9]+\.[0-9] s\])"), "");
}

class HostPaths : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test_support::TempFolder;
        const auto made = shell(std::string(MAKE_BIDS_STUDY) + " --out " + (dir() / "bids").string());
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() { delete folder_; }
    static fs::path dir() { return folder_->path(); }

    // The participant run of sub-01 twice into the same folders (the job
    // file names them): in this program's child, then in talvora; each
    // run's folders are kept under its own name.
    void compareBothWays(const std::string& name, const std::string& arguments) {
        const fs::path out = dir() / "out", work = dir() / "work";
        const std::string command = std::string(TALVORA_BIDS_EXE) + " " + (dir() / "bids").string() + " " +
                                    out.string() + " participant --participant-label 01 --work-dir " +
                                    work.string() + " " + arguments;
        std::map<std::string, test_support::Outcome> runs;
        std::map<std::string, std::map<std::string, std::string>> outputs, works;
        for (const std::string way : {"child", "talvora"}) {
            fs::remove_all(out);
            fs::remove_all(work);
            // The Granger plug-in seeds its surrogates by the clock: both ways
            // get the same fixed clock, else runs a second apart differ.
            const std::string environment =
                "TALVORA_GCM_FIXED_CLOCK=1700000000 " +
                (way == "talvora" ? "TALVORA_EXE=" + std::string(TALVORA_EXE) + " " : "env -u TALVORA_EXE ");
            runs[way] = shell(environment + command);
            ASSERT_EQ(runs[way].status, 0) << way << "\n" << runs[way].output;
            outputs[way] = tree(out);
            works[way] = tree(work);
            fs::rename(out, dir() / (name + "-out-" + way));
            fs::rename(work, dir() / (name + "-work-" + way));
        }
        EXPECT_EQ(withoutElapsedTimes(runs["child"].output), withoutElapsedTimes(runs["talvora"].output));
        EXPECT_EQ(outputs["child"], outputs["talvora"]);
        EXPECT_EQ(works["child"], works["talvora"]);
        // The comparison covered what a run keeps.
        const std::string kept = "sub-01/" + name + "/";
        for (const std::string file : {"job.json", "transcript.json", "host_output.txt"})
            EXPECT_EQ(works["child"].count(kept + file), 1u) << kept + file;
        EXPECT_FALSE(works["child"].at(kept + "host_output.txt").empty());
        EXPECT_GE(outputs["child"].size(), 4u);
    }

private:
    static test_support::TempFolder* folder_;
};
test_support::TempFolder* HostPaths::folder_ = nullptr;

}  // namespace

TEST_F(HostPaths, LatencyRunIsTheSameInAChildAndInTalvora) {
    compareBothWays("latency", "--analysis latency --task latency");
}

TEST_F(HostPaths, GrangerRunIsTheSameInAChildAndInTalvora) {
    const fs::path atlas = dir() / "bids/derivatives/atlas/atlas-regions_dseg";
    compareBothWays("granger", "--analysis granger --task granger --atlas " + atlas.string() +
                                   ".nii.gz --atlas-labels " + atlas.string() + ".tsv --reference-label 4");
}
