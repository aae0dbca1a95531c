// `talvora convert` on BIDS tables through the program: the conversion is
// found by extension, its options reach it, and a refusal exits with status
// 2, names the file and line, and writes nothing.
#include "support/run_program.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using test_support::contains;
using test_support::shell;

TEST(BidsConvertCli, EventsInVolumesAndRefusals) {
    test_support::TempFolder tmp;
    test_support::writeBytes(tmp / "e.tsv", "onset\tduration\ttrial_type\n2.9\t1\tgo\n3\t0\tstop\n");
    const auto ok = shell(std::string(TALVORA_EXE) + " convert " + (tmp / "e.tsv").string() + " " +
                          (tmp / "e.prt").string() + " --tr 2000 --unit volumes");
    ASSERT_EQ(ok.status, 0) << ok.output;
    EXPECT_EQ(test_support::readBytes(tmp / "e.prt"),
              "TALVORA-PRT 1\nTimeUnit: volumes\nNrOfConditions: 2\n"
              "\nCondition: go\nColor: 31 119 180\nNrOfIntervals: 1\n2 2\n"
              "\nCondition: stop\nColor: 255 127 14\nNrOfIntervals: 1\n3 3\n");

    test_support::writeBytes(tmp / "bad.tsv", "onset\tduration\n1\t2\n4\t-1\n");
    const auto bad = shell(std::string(TALVORA_EXE) + " convert " + (tmp / "bad.tsv").string() + " " +
                           (tmp / "bad.prt").string());
    EXPECT_EQ(bad.status, 2) << bad.output;
    EXPECT_EQ(bad.lastLine(), "talvora: " + (tmp / "bad.tsv").string() + ": line 3: duration -1 is negative");
    EXPECT_FALSE(fs::exists(tmp / "bad.prt"));

    const auto unit = shell(std::string(TALVORA_EXE) + " convert " + (tmp / "e.tsv").string() + " " +
                            (tmp / "u.prt").string() + " --unit seconds");
    EXPECT_EQ(unit.status, 2) << unit.output;
    EXPECT_TRUE(contains(unit.output, "--unit must be ms or volumes, not \"seconds\"")) << unit.output;
    EXPECT_FALSE(fs::exists(tmp / "u.prt"));

    // An option of another conversion is refused by the dispatch.
    const auto hz = shell(std::string(TALVORA_EXE) + " convert " + (tmp / "e.tsv").string() + " " +
                          (tmp / "h.prt").string() + " --hz");
    EXPECT_EQ(hz.status, 2) << hz.output;
    EXPECT_FALSE(fs::exists(tmp / "h.prt"));
}

}  // namespace
