#include "latency/tools/average_results.h"

#include <sstream>

namespace latency::tools {
namespace {

const char* const kTitles[4] = {"Onset Latency ", "Duration Latency ", "Time-to-Peak Latency ",
                                "Percent Signal Change "};

class LineReader {
public:
    LineReader(std::istream& in, const std::string& source) : in_(in), source_(source) {}
    bool next(std::string& line) {
        if (!std::getline(in_, line)) return false;
        ++number_;
        return true;
    }
    [[noreturn]] void fail(const std::string& problem) const {
        throw ResultsFormatError(source_ + ": line " + std::to_string(number_) + ": " + problem);
    }

private:
    std::istream& in_;
    const std::string& source_;
    int number_ = 0;
};

float parseValue(const std::string& line, const LineReader& reader) {
    std::istringstream text(line);
    text.imbue(std::locale::classic());
    float value = 0.0f;
    char extra = 0;
    if (!(text >> value) || (text >> extra)) reader.fail("expected a number, found \"" + line + "\"");
    return value;
}

}  // namespace

std::vector<RegionResults> readAverageResults(std::istream& in, const std::string& source) {
    LineReader reader(in, source);
    std::vector<RegionResults> regions;
    std::string line;
    while (reader.next(line)) {
        if (line.empty() && regions.empty()) continue;
        const std::string prefix = " Region ";
        if (line.rfind(prefix, 0) != 0) reader.fail("expected \" Region <n>\", found \"" + line + "\"");
        RegionResults region;
        region.region = static_cast<int>(parseValue(line.substr(prefix.size()), reader));
        for (int m = 0; m < 4; ++m) {
            if (!reader.next(line) || line != kTitles[m])
                reader.fail(std::string("expected \"") + kTitles[m] + "\"");
            while (reader.next(line) && !line.empty()) region.measures[m].push_back(parseValue(line, reader));
            if (m > 0 && region.measures[m].size() != region.measures[0].size())
                reader.fail("the four measures of region " + std::to_string(region.region) +
                            " hold different numbers of VTCs");
        }
        regions.push_back(std::move(region));
    }
    if (regions.empty()) throw ResultsFormatError(source + ": no region found");
    return regions;
}

}  // namespace latency::tools
