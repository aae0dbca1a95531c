// The VTC header walk over a scripted source: the order of the fields each
// version stores, and the two refusals.
#include "frame/vtc_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace {

struct Refused {
    std::string why;
};

// Hands out scripted numbers and texts in order and records every field
// name it was asked for.
struct ScriptedSource {
    std::deque<double> numbers;
    std::deque<std::string> texts;
    std::vector<std::string> asked;

    double next(const char* field) {
        asked.push_back(field);
        if (numbers.empty()) throw Refused{"ends before the " + std::string(field)};
        const double v = numbers.front();
        numbers.pop_front();
        return v;
    }
    std::int16_t int16(const char* field) { return static_cast<std::int16_t>(next(field)); }
    std::uint8_t uint8(const char* field) { return static_cast<std::uint8_t>(next(field)); }
    float float32(const char* field) { return static_cast<float>(next(field)); }
    std::string text(const char* field) {
        asked.push_back(field);
        const std::string s = texts.front();
        texts.pop_front();
        return s;
    }
    [[noreturn]] void unsupportedVersion(int v) { throw Refused{"version " + std::to_string(v)}; }
    [[noreturn]] void tooManyProtocols(int n) { throw Refused{"protocols " + std::to_string(n)}; }
};

TEST(VtcHeaderFields, Version3StoresProtocolDataTypeAndConventionBytes) {
    ScriptedSource s;
    s.numbers = {3, 1, 0, 2, 84, 3, 30, 42, 31, 43, 32, 38, 2, 4, 1500.0};
    s.texts = {"run.fmr", "run.prt"};
    const tl::VtcHeaderFields h = tl::readVtcHeaderFields(s);
    EXPECT_EQ(h.version, 3);
    EXPECT_EQ(h.sourceFMR, "run.fmr");
    EXPECT_EQ(h.linkedProtocols, 1);
    EXPECT_EQ(h.protocolName, "run.prt");
    EXPECT_EQ(h.currentProtocolIndex, 0);
    EXPECT_EQ(h.dataType, 2);
    EXPECT_EQ(h.nrOfVolumes, 84);
    EXPECT_EQ(h.resolution, 3);
    EXPECT_EQ(h.xStart, 30);
    EXPECT_EQ(h.xEnd, 42);
    EXPECT_EQ(h.yStart, 31);
    EXPECT_EQ(h.yEnd, 43);
    EXPECT_EQ(h.zStart, 32);
    EXPECT_EQ(h.zEnd, 38);
    EXPECT_TRUE(h.hasConventionBytes);
    EXPECT_EQ(h.lrConvention, 2);
    EXPECT_EQ(h.referenceSpace, 4);
    EXPECT_EQ(h.tr, 1500.0f);
    EXPECT_TRUE(s.numbers.empty());
}

TEST(VtcHeaderFields, Version3WithoutProtocolReadsNoProtocolName) {
    ScriptedSource s;
    s.numbers = {3, 0, 0, 1, 10, 2, 0, 4, 0, 4, 0, 4, 1, 3, 2000.0};
    s.texts = {"run.fmr"};
    const tl::VtcHeaderFields h = tl::readVtcHeaderFields(s);
    EXPECT_EQ(h.linkedProtocols, 0);
    EXPECT_EQ(h.protocolName, "");
    EXPECT_EQ(h.dataType, 1);
    EXPECT_TRUE(s.texts.empty());
}

TEST(VtcHeaderFields, Version2HasReservedFieldsInsteadOfConventionBytes) {
    ScriptedSource s;
    s.numbers = {2, 20, 3, 30, 42, 31, 43, 32, 38, 0, 2000.0, 0, 0, 0, 0};
    s.texts = {"run.fmr", "run.prt"};
    const tl::VtcHeaderFields h = tl::readVtcHeaderFields(s);
    EXPECT_EQ(h.protocolName, "run.prt");
    EXPECT_EQ(h.dataType, 1);
    EXPECT_EQ(h.nrOfVolumes, 20);
    EXPECT_EQ(h.zEnd, 38);
    EXPECT_FALSE(h.hasConventionBytes);
    EXPECT_EQ(h.tr, 2000.0f);
    EXPECT_TRUE(s.numbers.empty());
    const std::vector<std::string> expected = {"version",
                                               "source project name",
                                               "linked protocol name",
                                               "number of volumes",
                                               "resolution",
                                               "XStart",
                                               "XEnd",
                                               "YStart",
                                               "YEnd",
                                               "ZStart",
                                               "ZEnd",
                                               "reserved field after the bounding box",
                                               "repetition time",
                                               "reserved fields after the repetition time",
                                               "reserved fields after the repetition time",
                                               "reserved fields after the repetition time",
                                               "reserved fields after the repetition time"};
    EXPECT_EQ(s.asked, expected);
}

TEST(VtcHeaderFields, RefusesOtherVersionsAndMoreThanOneProtocol) {
    ScriptedSource bad;
    bad.numbers = {4};
    try {
        tl::readVtcHeaderFields(bad);
        FAIL() << "version 4 was read";
    } catch (const Refused& r) {
        EXPECT_EQ(r.why, "version 4");
    }
    ScriptedSource two;
    two.numbers = {3, 2};
    two.texts = {"run.fmr"};
    try {
        tl::readVtcHeaderFields(two);
        FAIL() << "two protocols were read";
    } catch (const Refused& r) {
        EXPECT_EQ(r.why, "protocols 2");
    }
}

}  // namespace
