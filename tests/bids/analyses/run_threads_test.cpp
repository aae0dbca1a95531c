// talvora-bids converting a participant's runs on several threads: the work
// folder's documents, the conversion report and the derivatives are byte for
// byte those of one thread, with more threads than runs too; a broken run
// among three fails alike under one and two threads, with the same message
// naming it and nothing written to OUTPUT_DIR.
#include <gtest/gtest.h>

#include <map>

#include "support/run_program.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using test_support::contains;
using test_support::shell;

namespace {

// Every file under `folder` (relative name -> bytes).
std::map<std::string, std::string> filesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).generic_string()] =
                test_support::readBytes(entry.path());
    return files;
}

class RunThreads : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test_support::TempFolder;
        const auto made = shell(std::string(MAKE_BIDS_STUDY) + " --out " + bids().string());
        ASSERT_EQ(made.status, 0) << made.output;
        // A third run of sub-01 (a copy of its first), so that three runs
        // share the threads.
        const fs::path func = bids() / "sub-01" / "func";
        for (const char* tail : {"_bold.nii.gz", "_bold.json", "_events.tsv"}) {
            const fs::path first = func / (std::string("sub-01_task-latency_run-1") + tail);
            if (fs::exists(first))
                fs::copy_file(first, func / (std::string("sub-01_task-latency_run-3") + tail));
        }
    }
    static void TearDownTestSuite() { delete folder_; }
    static fs::path dir() { return folder_->path(); }
    static fs::path bids() { return dir() / "bids"; }

    // Runs sub-01's latency analysis with `threads` into the same OUTPUT_DIR
    // and work folder each time (the report names them), then moves both to
    // `keep`.
    static test_support::Outcome runWith(const std::string& threads, const fs::path& keep) {
        const auto outcome =
            shell(std::string(TALVORA_BIDS_EXE) + " " + bids().string() + " " + (dir() / "out").string() +
                  " participant --analysis latency --task latency --participant-label 01"
                  " --work-dir " +
                  (dir() / "work").string() + " --nthreads " + threads);
        fs::create_directories(keep);
        for (const char* name : {"out", "work"})
            if (fs::exists(dir() / name)) fs::rename(dir() / name, keep / name);
        return outcome;
    }

private:
    static test_support::TempFolder* folder_;
};
test_support::TempFolder* RunThreads::folder_ = nullptr;

}  // namespace

TEST_F(RunThreads, AnyThreadCountGivesTheSameBytes) {
    const auto one = runWith("1", dir() / "one");
    ASSERT_EQ(one.status, 0) << one.output;
    const auto work = filesUnder(dir() / "one" / "work");
    const auto out = filesUnder(dir() / "one" / "out");
    for (const char* name :
         {"sub-01/latency/run1.vtc", "sub-01/latency/run2.vtc", "sub-01/latency/run3.vtc",
          "sub-01/latency/run3.vmr", "sub-01/latency/run3.prt", "sub-01/latency/convert_output.txt"})
        EXPECT_EQ(work.count(name), 1u) << name;
    // The three runs' lines, in run order.
    const std::string& report = work.at("sub-01/latency/convert_output.txt");
    const auto at = [&](const std::string& run) {
        return report.find("wrote " + (dir() / "work").string() + "/sub-01/latency/" + run);
    };
    ASSERT_NE(at("run1.vtc"), std::string::npos) << report;
    EXPECT_LT(at("run1.vtc"), at("run2.vtc")) << report;
    EXPECT_LT(at("run2.vtc"), at("run3.vtc")) << report;
    EXPECT_NE(at("run3.vtc"), std::string::npos) << report;
    EXPECT_GE(out.size(), 3u);
    for (const char* threads : {"2", "3", "8"}) {
        const auto many = runWith(threads, dir() / (std::string("threads") + threads));
        ASSERT_EQ(many.status, 0) << many.output;
        const auto manyWork = filesUnder(dir() / (std::string("threads") + threads) / "work");
        const auto manyOut = filesUnder(dir() / (std::string("threads") + threads) / "out");
        EXPECT_EQ(manyOut.size(), out.size()) << threads;
        for (const auto& [name, bytes] : out)
            EXPECT_TRUE(manyOut.count(name) && manyOut.at(name) == bytes) << threads << ": " << name;
        EXPECT_EQ(manyWork.size(), work.size()) << threads;
        for (const auto& [name, bytes] : work)
            EXPECT_TRUE(manyWork.count(name) && manyWork.at(name) == bytes) << threads << ": " << name;
    }
}

TEST_F(RunThreads, ABrokenSecondRunFailsAlikeUnderOneAndTwoThreads) {
    test_support::TempFolder broken;
    const fs::path func = bids() / "sub-01" / "func";
    const fs::path second = func / "sub-01_task-latency_run-2_bold.nii.gz";
    const std::string whole = test_support::readBytes(second);
    test_support::writeBytes(second, whole.substr(0, whole.size() / 2));
    const auto one = runWith("1", dir() / "broken1");
    const auto two = runWith("2", dir() / "broken2");
    test_support::writeBytes(second, whole);
    EXPECT_EQ(one.status, 3) << one.output;
    EXPECT_EQ(two.status, 3) << two.output;
    EXPECT_TRUE(contains(one.output, "talvora-bids: 1 of 1 failed:\n  sub-01: " + second.string() + ": "))
        << one.output;
    // The failure line, the same under both.
    const auto failureLine = [](const std::string& output) {
        const auto start = output.find("  sub-01: ");
        return start == std::string::npos ? std::string()
                                          : output.substr(start, output.find('\n', start) - start);
    };
    EXPECT_FALSE(failureLine(one.output).empty()) << one.output;
    EXPECT_EQ(failureLine(one.output), failureLine(two.output));
    for (const char* keep : {"broken1", "broken2"}) {
        EXPECT_FALSE(fs::exists(dir() / keep / "out")) << keep;
        const auto work = filesUnder(dir() / keep / "work");
        EXPECT_EQ(work.count("sub-01/latency/run1.vtc"), 1u) << keep;
        EXPECT_EQ(work.count("sub-01/latency/run2.vtc"), 0u) << keep;
    }
    EXPECT_EQ(test_support::readBytes(dir() / "broken1/work/sub-01/latency/convert_output.txt"),
              test_support::readBytes(dir() / "broken2/work/sub-01/latency/convert_output.txt"));
}
