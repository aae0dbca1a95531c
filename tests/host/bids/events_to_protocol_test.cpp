// BIDS events to protocols: every expected interval below is worked out by
// hand from the rules in docs/formats.md (seconds to whole milliseconds; a
// volume is the one acquired nearest to the time, halves to the later one,
// counted from 1; an interval covers at least its first volume).
#include "host/bids/events_to_protocol.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {
namespace fs = std::filesystem;
using talvora::bids::EventsOptions;
using talvora::formats::ProtocolFile;
using test_support::readBytes;
using test_support::TempFolder;
using test_support::writeBytes;

const std::string kEvents =
    "onset\tduration\ttrial_type\n"
    "2.9\t1.0\tface\n"   // between volumes 2 (2 s) and 3 (4 s)
    "3.0\t0\thouse\n"    // exactly half-way: the later volume; an instant
    "10.0\t4.0\tface\n"  // overlaps the next face event
    "12.0\t2.0\tface\n"
    "5.0\t1.5\tn/a\n"     // no trial type
    "0.4\t0.4\thouse\n";  // earlier than the house above: sorted first

std::string convert(const TempFolder& tmp, const std::string& tsv, const EventsOptions& options,
                    std::string* report = nullptr) {
    writeBytes(tmp / "run_events.tsv", tsv);
    std::ostringstream out;
    talvora::bids::convertEventsToProtocol(tmp / "run_events.tsv", tmp / "run.prt", options, out);
    if (report) *report = out.str();
    return readBytes(tmp / "run.prt");
}

TEST(EventsToProtocol, MillisecondsKeepEveryEventSortedWithinItsCondition) {
    TempFolder tmp;
    std::string report;
    const std::string prt = convert(tmp, kEvents, {2000.0, ProtocolFile::TimeUnit::Milliseconds}, &report);
    EXPECT_EQ(prt,
              "TALVORA-PRT 1\nTimeUnit: msec\nNrOfConditions: 3\n"
              "\nCondition: face\nColor: 31 119 180\nNrOfIntervals: 3\n2900 3900\n10000 14000\n12000 14000\n"
              "\nCondition: house\nColor: 255 127 14\nNrOfIntervals: 2\n400 800\n3000 3000\n"
              "\nCondition: n/a\nColor: 44 160 44\nNrOfIntervals: 1\n5000 6500\n");
    EXPECT_NE(report.find("1 events without a trial type (\"n/a\") form the condition \"n/a\""),
              std::string::npos)
        << report;
    // The colour survives a read.
    const ProtocolFile back = talvora::formats::readProtocolFile(tmp / "run.prt");
    ASSERT_EQ(back.conditions.size(), 3u);
    ASSERT_TRUE(back.conditions[1].color.has_value());
    EXPECT_EQ(*back.conditions[1].color, (talvora::formats::Rgb{255, 127, 14}));
}

TEST(EventsToProtocol, VolumesTakeTheNearestVolume) {
    TempFolder tmp;
    const std::string prt = convert(tmp, kEvents, {2000.0, ProtocolFile::TimeUnit::Volumes});
    EXPECT_EQ(prt,
              "TALVORA-PRT 1\nTimeUnit: volumes\nNrOfConditions: 3\n"
              "\nCondition: face\nColor: 31 119 180\nNrOfIntervals: 3\n2 2\n6 7\n7 7\n"
              "\nCondition: house\nColor: 255 127 14\nNrOfIntervals: 2\n1 1\n3 3\n"
              "\nCondition: n/a\nColor: 44 160 44\nNrOfIntervals: 1\n4 4\n");
}

TEST(EventsToProtocol, FractionalTrAndLongEvents) {
    TempFolder tmp;
    // TR 1500 ms: 7.4 s is 4.93 TR -> volume 6; 7.4 + 6.1 = 13.5 s is 9 TR -> last 9.
    const std::string prt =
        convert(tmp, "onset\tduration\n7.4\t6.1\n0\t0.7\n", {1500.0, ProtocolFile::TimeUnit::Volumes});
    EXPECT_EQ(prt,
              "TALVORA-PRT 1\nTimeUnit: volumes\nNrOfConditions: 1\n"
              "\nCondition: Events\nColor: 31 119 180\nNrOfIntervals: 2\n1 1\n6 9\n");
}

TEST(EventsToProtocol, UnknownDurationIsAnInstantAndSaidSo) {
    TempFolder tmp;
    std::string report;
    const std::string prt = convert(tmp, "onset\tduration\ttrial_type\n1.25\tn/a\tcue\n",
                                    {0.0, ProtocolFile::TimeUnit::Milliseconds}, &report);
    EXPECT_NE(prt.find("Condition: cue\nColor: 31 119 180\nNrOfIntervals: 1\n1250 1250\n"), std::string::npos)
        << prt;
    EXPECT_NE(report.find("1 events of unknown duration (\"n/a\") are taken as instants"), std::string::npos)
        << report;
}

TEST(EventsToProtocol, BadInputNamesFileAndLineAndWritesNothing) {
    struct Case {
        const char* label;
        std::string tsv;
        EventsOptions options;
        std::string message;  // after "<path>: "
    };
    const EventsOptions ms{2000.0, ProtocolFile::TimeUnit::Milliseconds};
    const Case cases[] = {
        {"no onset", "start\tduration\n1\t2\n", ms,
         "no \"onset\" column (the header names \"start\", \"duration\")"},
        {"negative duration", "onset\tduration\n1\t2\n3\t-0.5\n", ms, "line 3: duration -0.5 is negative"},
        {"text onset", "onset\tduration\nsoon\t2\n", ms, "line 2: \"onset\" value \"soon\" is not a number"},
        {"n/a onset", "onset\tduration\nn/a\t2\n", ms, "line 2: \"onset\" value \"n/a\" is not a number"},
        {"text duration", "onset\tduration\n\n1\tlong\n", ms,
         "line 3: \"duration\" value \"long\" is not a number"},
        {"negative onset", "onset\tduration\n-1\t2\n", ms,
         "line 2: onset -1 lies before the run starts (a protocol holds no negative times)"},
        {"short row", "onset\tduration\ttrial_type\n1\t2\n", ms,
         "line 2: 2 tab-separated values where the header names 3 columns"},
        {"volumes without TR",
         "onset\tduration\n1\t2\n",
         {0.0, ProtocolFile::TimeUnit::Volumes},
         "events in volumes need a positive --tr"},
        {"negative TR",
         "onset\tduration\n1\t2\n",
         {-2.0, ProtocolFile::TimeUnit::Milliseconds},
         "--tr must be a positive number of milliseconds"},
        {"empty", "", ms, "the table is empty (no header line)"},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        writeBytes(tmp / "e.tsv", c.tsv);
        std::ostringstream out;
        try {
            talvora::bids::convertEventsToProtocol(tmp / "e.tsv", tmp / "e.prt", c.options, out);
            ADD_FAILURE() << c.label << ": accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), (tmp / "e.tsv").string() + ": " + c.message) << c.label;
        }
        EXPECT_FALSE(fs::exists(tmp / "e.prt")) << c.label;
        EXPECT_EQ(test_support::entriesIn(tmp.path()), 1u) << c.label;
    }
}

TEST(EventsToProtocol, ConditionColoursStayDistinct) {
    std::set<talvora::formats::Rgb> seen;
    for (std::size_t i = 0; i < 1000; ++i) seen.insert(talvora::bids::conditionColor(i));
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
