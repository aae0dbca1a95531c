#pragma once
// The expected text of a latency plot file (".dat"), built line by line
// from the plot layout, independent of the plug-in's writer.

#include <string>
#include <vector>

namespace test_support {

// One curve of `percent` values (already in percent of the fit's first
// point, as the stream writes them), colour (r, g, b), after the two
// leading "0 0" rows.
inline std::string plotFile(int r, int g, int b, const std::vector<std::string>& percent) {
    std::string text =
        "FileVersion: 1.0\nNrOfCurves:  1\n\nStdDevErrs:  1\nNrOfCurveDataPoints " +
        std::to_string(percent.size() + 2) + "\nTimeCourseThick:  3\nTimeCourseColorR: " + std::to_string(r) +
        "\nTimeCourseColorG: " + std::to_string(g) + "\nTimeCourseColorB: " + std::to_string(b) +
        "\nStdDevErrThick:   2\nStdDevErrColorR:  0\nStdDevErrColorG:  0\n"
        "StdDevErrColorB:  0\nNrOfSegIntervals: 3\n-2   2\n192 192 192\n3 1001\n"
        "192 192 192\n 4  15\n192 192 192\n<data>\n0 0\n0 0\n";
    for (const std::string& p : percent) text += p + " 0\n";
    return text + "<data>\n";
}

}  // namespace test_support
