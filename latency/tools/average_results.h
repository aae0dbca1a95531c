#pragma once
// Reading "AvgTrials_Results.txt" back: per region, each measure's value
// for every VTC (-1 for a bad fit).

#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace latency::tools {

struct RegionResults {
    int region = 0;  // 1-based, as written
    // onset, width, time to peak (s) and amplitude (%), one value per VTC.
    std::vector<float> measures[4];
};

class ResultsFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws ResultsFormatError naming `source` and the line when the text does
// not have the layout the plug-in writes.
std::vector<RegionResults> readAverageResults(std::istream& in, const std::string& source);

}  // namespace latency::tools
