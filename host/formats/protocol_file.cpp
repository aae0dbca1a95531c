#include "host/formats/protocol_file.h"

#include "host/formats/format_io.h"

#include <limits>
#include <stdexcept>

namespace talvora::formats {
namespace {
constexpr const char* kMagic = "TALVORA-PRT";
constexpr int kVersion = 1;
// Condition names travel in a 256-byte record field with its zero byte.
constexpr std::size_t kMaxNameLength = 255;
constexpr long long kMaxIntervals = 100000;
constexpr long long kMaxTime = std::numeric_limits<std::int32_t>::max();
}  // namespace

// Largest protocol: 1000 conditions of a 255-character name and 100000
// intervals of two 10-digit times.
constexpr std::uint64_t kMaxProtocolBytes = kMaxHeaderBytes + 1000ull * (300 + 100000ull * 24);

ProtocolFile readProtocolFile(const std::filesystem::path& path) {
    HeaderReader in(path, readWholeFile(path, kMaxProtocolBytes));
    in.expectMagic(kMagic, kVersion, "Talvora protocol file");
    ProtocolFile prt;
    prt.timeUnit = in.choice("TimeUnit", {"volumes", "msec"}) == 0 ? ProtocolFile::TimeUnit::Volumes
                                                                   : ProtocolFile::TimeUnit::Milliseconds;
    const long long nrOfConditions = in.integer("NrOfConditions", 0, 1000);
    for (long long c = 0; c < nrOfConditions; ++c) {
        ProtocolCondition condition;
        condition.name = in.value("Condition");
        if (condition.name.empty())
            in.failAtLine("condition " + std::to_string(c + 1) + " has an empty name");
        if (condition.name.size() > kMaxNameLength)
            in.failAtLine("the name of condition " + std::to_string(c + 1) + " is longer than " +
                          std::to_string(kMaxNameLength) + " characters");
        if (in.nextKeyIs("Color")) {
            const auto rgb = in.integers("Color", 3, 0, 255);
            condition.color = Rgb{static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]),
                                  static_cast<std::uint8_t>(rgb[2])};
        }
        const long long nrOfIntervals = in.integer("NrOfIntervals", 0, kMaxIntervals);
        const std::string what = "an interval \"start end\" of condition \"" + condition.name + "\"";
        for (long long i = 0; i < nrOfIntervals; ++i) {
            const auto interval = in.integerLine(2, what, 0, kMaxTime);
            if (interval[1] < interval[0])
                in.failAtLine("interval " + std::to_string(i + 1) + " of condition \"" + condition.name +
                              "\" ends (" + std::to_string(interval[1]) + ") before it starts (" +
                              std::to_string(interval[0]) + ")");
            condition.starts.push_back(static_cast<std::int32_t>(interval[0]));
            condition.ends.push_back(static_cast<std::int32_t>(interval[1]));
        }
        prt.conditions.push_back(std::move(condition));
    }
    if (!in.atEnd()) {
        in.nextLine("");
        in.failAtLine(
            "unexpected text after the last condition (does NrOfConditions or NrOfIntervals undercount?)");
    }
    return prt;
}

std::string encodeProtocolFile(const ProtocolFile& prt) {
    std::string out = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    out += prt.timeUnit == ProtocolFile::TimeUnit::Volumes ? "TimeUnit: volumes\n" : "TimeUnit: msec\n";
    out += "NrOfConditions: " + std::to_string(prt.conditions.size()) + "\n";
    for (const ProtocolCondition& c : prt.conditions) {
        if (c.name.empty() || c.name.size() > kMaxNameLength || c.name.find('\n') != std::string::npos)
            throw std::invalid_argument("a protocol condition needs a one-line name of 1 to 255 characters");
        if (c.starts.size() != c.ends.size())
            throw std::invalid_argument("interval starts and ends differ in number");
        out += "\nCondition: " + c.name + "\n";
        if (c.color)
            out += "Color: " + std::to_string((*c.color)[0]) + " " + std::to_string((*c.color)[1]) + " " +
                   std::to_string((*c.color)[2]) + "\n";
        out += "NrOfIntervals: " + std::to_string(c.starts.size()) + "\n";
        for (std::size_t i = 0; i < c.starts.size(); ++i) {
            if (c.starts[i] < 0 || c.ends[i] < c.starts[i])
                throw std::invalid_argument("an interval ends before it starts");
            out += std::to_string(c.starts[i]) + " " + std::to_string(c.ends[i]) + "\n";
        }
    }
    return out;
}

void writeProtocolFile(const std::filesystem::path& path, const ProtocolFile& prt) {
    saveBytes(path, encodeProtocolFile(prt));
}

}  // namespace talvora::formats
