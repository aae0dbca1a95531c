// latency-compare: prints, per region of a generated study, the true
// response measures (truth.json of talvora-make-study) beside the ones a
// latency run estimated (its AvgTrials_Results.txt, mean over the VTCs).
//
//   latency-compare TRUTH.json AvgTrials_Results.txt [--glm]
//
// --glm compares with the measures expected of the deconvolution betas.
// Exit status: 0 printed, 2 bad input (the message names the file).

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "latency/core/result_summaries.h"
#include "latency/tools/average_results.h"

namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "latency-compare: " << message << '\n';
    std::exit(2);
}

json readTruth(const std::string& path) {
    std::ifstream in(path);
    if (!in) fail(path + ": cannot open the truth file");
    try {
        return json::parse(in);
    } catch (const json::parse_error& e) {
        fail(path + ": not valid JSON: " + e.what());
    }
}

double number(const json& object, const char* key, const std::string& path) {
    if (!object.contains(key) || !object[key].is_number())
        fail(path + ": a region's expected measures lack \"" + key + "\"");
    return object[key].get<double>();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (argc == 4 && std::string(argv[3]) != "--glm")) {
        std::cerr << "usage: latency-compare TRUTH.json AvgTrials_Results.txt [--glm]\n";
        return 2;
    }
    const std::string truthPath = argv[1];
    const std::string resultsPath = argv[2];
    const bool glm = argc == 4;
    const json truth = readTruth(truthPath);
    if (!truth.contains("regions") || !truth["regions"].is_array())
        fail(truthPath + ": no \"regions\" array");

    std::ifstream in(resultsPath);
    if (!in) fail(resultsPath + ": cannot open the results file");
    std::vector<latency::tools::RegionResults> results;
    try {
        results = latency::tools::readAverageResults(in, resultsPath);
    } catch (const latency::tools::ResultsFormatError& e) {
        fail(e.what());
    }
    const json& regions = truth["regions"];
    if (regions.size() != results.size())
        fail(resultsPath + ": " + std::to_string(results.size()) + " regions, but " + truthPath +
             " describes " + std::to_string(regions.size()) + " (compare a VOI-based run)");

    std::printf("%-10s %-18s %12s %12s\n", "Region", "Measure", "True", "Estimated");
    for (std::size_t r = 0; r < results.size(); ++r) {
        const json& region = regions[r];
        const char* key = glm ? "expected_glm" : "expected";
        if (!region.contains(key))
            fail(truthPath + ": region " + std::to_string(r + 1) + " has no \"" + key + "\"");
        const json& expected = region[key];
        const std::string name = region.value("name", "Region" + std::to_string(r + 1));
        const double truthValues[4] = {
            number(expected, "onset_s", truthPath), number(expected, "width_s", truthPath),
            number(expected, "time_to_peak_s", truthPath), number(expected, "amplitude_psc", truthPath)};
        const char* labels[4] = {"onset (s)", "width (s)", "time to peak (s)", "amplitude (%)"};
        for (int m = 0; m < 4; ++m) {
            const auto& perVtc = results[r].measures[m];
            const float estimate = latency::core::validMean(perVtc.data(), static_cast<int>(perVtc.size()));
            std::string trueText;
            char buffer[64];
            if (m == 2 && expected.contains("time_to_peak_range_s")) {
                const auto& range = expected["time_to_peak_range_s"];
                std::snprintf(buffer, sizeof buffer, "%.3f-%.3f", range[0].get<double>(),
                              range[1].get<double>());
            } else {
                std::snprintf(buffer, sizeof buffer, "%.3f", truthValues[m]);
            }
            trueText = buffer;
            std::printf("%-10s %-18s %12s %12.3f\n", m == 0 ? name.c_str() : "", labels[m], trueText.c_str(),
                        static_cast<double>(estimate));
        }
    }
    return 0;
}
