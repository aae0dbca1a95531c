// platform::runInChildProcess: the child's exit status (a signal as 128 + the
// signal), its standard files (input from the null device, output and error
// in the log, buffered as a program's whose output is a file), and nothing of
// the parent's written twice or run in the child.
#include "host/platform/platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using talvora::platform::runInChildProcess;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ChildProcess : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("talvora_child_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path log() const { return dir_ / "log.txt"; }
    fs::path dir_;
};

TEST_F(ChildProcess, StatusIsTheBodysValue) {
    EXPECT_EQ(runInChildProcess([] { return 0; }, log()), 0);
    EXPECT_EQ(runInChildProcess([] { return 6; }, log()), 6);
    EXPECT_EQ(runInChildProcess([] { return 255; }, log()), 255);
}

TEST_F(ChildProcess, ASignalReadsAs128PlusTheSignalAndTheNextChildRuns) {
    EXPECT_EQ(runInChildProcess(
                  [] {
                      std::abort();
                      return 0;
                  },
                  log()),
              128 + SIGABRT);
    EXPECT_EQ(runInChildProcess(
                  [] {
                      std::raise(SIGKILL);
                      return 0;
                  },
                  log()),
              128 + SIGKILL);
    EXPECT_EQ(runInChildProcess(
                  [] {
                      std::cout << "after the crashes\n";
                      return 0;
                  },
                  log()),
              0);
    EXPECT_EQ(readAll(log()), "after the crashes\n");
}

TEST_F(ChildProcess, OutputAndErrorGoToTheLogAsIntoAFile) {
    std::ofstream(log()) << "an older log, replaced\n";
    // This process's own standard output line-buffered, as on a terminal:
    // the child's is buffered as for a file all the same.
    std::fflush(stdout);
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    const int status = runInChildProcess(
        [] {
            // Standard output is fully buffered, standard error is not: the
            // C library's lines come after the error line written after them,
            // as with `>LOG 2>&1`; std::cerr flushes std::cout (its tie) first.
            std::printf("out 1\n");
            std::fprintf(stderr, "err 1\n");
            std::cout << "out 2\n";
            std::cerr << "err 2\n";
            std::printf("out 3\n");
            return 4;
        },
        log());
    EXPECT_EQ(status, 4);
    EXPECT_EQ(readAll(log()), "err 1\nout 1\nout 2\nerr 2\nout 3\n");
}

TEST_F(ChildProcess, InputIsTheNullDevice) {
    const int status = runInChildProcess(
        [] {
            struct stat in {
            }, null{};
            if (::fstat(STDIN_FILENO, &in) != 0 || ::stat("/dev/null", &null) != 0) return 10;
            if (!S_ISCHR(in.st_mode) || in.st_rdev != null.st_rdev) return 11;
            std::string line;
            if (std::getline(std::cin, line)) return 12;  // nothing to read
            std::cout << "end of input at once\n";
            return 0;
        },
        log());
    EXPECT_EQ(status, 0) << readAll(log());
    EXPECT_EQ(readAll(log()), "end of input at once\n");
}

// With this process's standard input closed the log takes descriptor 0;
// the child's input is the null device all the same and its output the log.
TEST_F(ChildProcess, ClosedInputOfTheParentChangesNothing) {
    const int saved = ::dup(STDIN_FILENO);
    ASSERT_GE(saved, 0);
    ::close(STDIN_FILENO);
    const int status = runInChildProcess(
        [] {
            struct stat in {
            }, null{};
            if (::fstat(STDIN_FILENO, &in) != 0 || ::stat("/dev/null", &null) != 0) return 10;
            if (in.st_rdev != null.st_rdev) return 11;
            std::cout << "input from the null device\n";
            return 0;
        },
        log());
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readAll(log()), "input from the null device\n");
}

TEST_F(ChildProcess, ExitHandlersDoNotRunInTheChild) {
    const int status = runInChildProcess(
        [] {
            std::atexit([] { std::fputs("an exit handler ran\n", stdout); });
            std::cout << "body\n";
            return 0;
        },
        log());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readAll(log()), "body\n");
}

TEST_F(ChildProcess, ParentsPendingOutputIsWrittenOnce) {
    const fs::path file = dir_ / "parent.txt";
    FILE* parent = std::fopen(file.c_str(), "w");
    ASSERT_NE(parent, nullptr);
    std::fputs("pending in the parent\n", parent);  // still in the buffer
    EXPECT_EQ(runInChildProcess([] { return 0; }, log()), 0);
    std::fclose(parent);
    EXPECT_EQ(readAll(file), "pending in the parent\n");
}

TEST_F(ChildProcess, AnEscapingErrorIsSaidAndIsStatusTwo) {
    const int status =
        runInChildProcess([]() -> int { throw std::runtime_error("the body gave up"); }, log());
    EXPECT_EQ(status, 2);
    EXPECT_EQ(readAll(log()), "the body gave up\n");
}

TEST_F(ChildProcess, ALogThatCannotBeCreatedIsNamedAndNothingRuns) {
    const fs::path marker = dir_ / "ran";
    try {
        runInChildProcess(
            [&] {
                std::ofstream(marker) << "ran\n";
                return 0;
            },
            dir_ / "no-such-folder" / "log.txt");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), (dir_ / "no-such-folder" / "log.txt").string() +
                                             ": cannot create the file: No such file or directory");
    }
    EXPECT_FALSE(fs::exists(marker));
}

}  // namespace
