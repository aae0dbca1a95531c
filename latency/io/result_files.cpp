#include "latency/io/result_files.h"

#include "latency/io/text_format.h"

namespace latency::io {

using core::ResponseMeasures;
using core::VtcGrid;

const char* const kAverageResultsName = "AvgTrials_Results.txt";
const char* const kRegionVoxelsName = "AvgTrials_Regions.csv";

void writePlotFile(std::ostream& out, const float* values, const float* errors, float offset, int n,
                   int zeroRows, PlotColour colour) {
    out << "FileVersion: 1.0\n"
        << "NrOfCurves:  1\n"
        << "\n"
        << "StdDevErrs:  1\n"
        << "NrOfCurveDataPoints " << n + zeroRows << '\n'
        << "TimeCourseThick:  3\n"
        << "TimeCourseColorR: " << colour.red << '\n'
        << "TimeCourseColorG: " << colour.green << '\n'
        << "TimeCourseColorB: " << colour.blue << '\n'
        << "StdDevErrThick:   2\n"
        << "StdDevErrColorR:  0\n"
        << "StdDevErrColorG:  0\n"
        << "StdDevErrColorB:  0\n"
        << "NrOfSegIntervals: 3\n"
        << "-2   2\n"
        << "192 192 192\n"
        << "3 1001\n"
        << "192 192 192\n"
        << " 4  15\n"
        << "192 192 192\n"
        << "<data>\n";
    for (int i = 0; i < zeroRows; ++i) out << 0.0f << ' ' << 0.0f << '\n';
    for (int i = 0; i < n; ++i) out << 100.0f * (values[i] - offset) << ' ' << errors[i] << '\n';
    out << "<data>\n";
}

void writeSingleTrialTableHeader(std::ostream& out, int vtcNumber, const std::string& vtcPath) {
    out << "VTC n." << vtcNumber << " : " << vtcPath << '\n' << "Onset Duration Time-to-peak Amplitude\n";
}

void writeMeasuresRow(std::ostream& out, const ResponseMeasures& m) {
    out << m.onset << ' ' << m.width << ' ' << m.timeToPeak << ' ' << m.amplitude << '\n';
}

void writeSingleTrialCurve(std::ostream& out, int vtcNumber, const std::string& voiName, int trialNumber,
                           const float* trial, const float* fitted, int n) {
    out << "VTC n." << vtcNumber << " VOI : " << voiName << " Trial n." << trialNumber << '\n';
    for (int i = 0; i < n; ++i) out << 100.0f * trial[i] << ' ' << 100.0f * fitted[i] << '\n';
}

void writeVoxelAverageTrial(std::ostream& out, int vtcNumber, int voxelNumber, const float* average, int n) {
    out << "VTC n." << vtcNumber << " Voxel n." << voxelNumber << '\n';
    for (int i = 0; i < n; ++i) out << 100.0f * average[i] << '\n';
}

void writeRegionResults(std::ostream& out, int regionNumber, const RegionMeasuresByVtc& values) {
    struct Block {
        const char* title;
        const float* perVtc;
    };
    const Block blocks[] = {{"Onset Latency ", values.onset},
                            {"Duration Latency ", values.width},
                            {"Time-to-Peak Latency ", values.timeToPeak},
                            {"Percent Signal Change ", values.amplitude}};
    out << " Region " << regionNumber << '\n';
    for (const Block& block : blocks) {
        out << block.title << '\n';
        for (int v = 0; v < values.vtcs; ++v) out << block.perVtc[v] << '\n';
        out << '\n';
    }
}

void writeRegionVoxelTable(std::ostream& out, const VtcGrid& grid, const std::vector<int>& selected) {
    out << "Region,VTC x,VTC y,VTC z,VMR x,VMR y,VMR z\n";
    const int plane = grid.dimX * grid.dimY;
    int region = 0;
    for (int voxel : selected) {
        const int z = voxel / plane;
        const int y = voxel % plane / grid.dimX;
        const int x = voxel % grid.dimX;
        // A cell holds the anatomical voxels that round to it, so its centre
        // is start + cell * resolution.
        out << ++region << ',' << x << ',' << y << ',' << z << ',' << grid.xStart + x * grid.resolution << ','
            << grid.yStart + y * grid.resolution << ',' << grid.zStart + z * grid.resolution << '\n';
    }
}

std::string signalPlotName(const std::string& voiName, int vtcNumber) {
    return formatText("%s_VTC%i_sig.dat", voiName.c_str(), vtcNumber);
}
std::string signalFitPlotName(const std::string& voiName, int vtcNumber) {
    return formatText("%s_VTC%i_sig_fit.dat", voiName.c_str(), vtcNumber);
}
std::string betaPlotName(const std::string& voiName, int vtcNumber) {
    return formatText("%s_VTC%i_bet.dat", voiName.c_str(), vtcNumber);
}
std::string betaFitPlotName(const std::string& voiName, int vtcNumber) {
    return formatText("%s_VTC%i_bet_fit.dat", voiName.c_str(), vtcNumber);
}
std::string singleTrialTableName(const std::string& voiName, int vtcNumber) {
    return formatText("%s_VTC%i.txt", voiName.c_str(), vtcNumber);
}
std::string allSingleTrialsName(int vtcNumber) {
    return formatText("AllSingleTrials_VTC%i.txt", vtcNumber);
}
std::string allVoxelTrialsName(int vtcNumber) {
    return formatText("AllVoxelTrials_VTC%i.txt", vtcNumber);
}

}  // namespace latency::io
