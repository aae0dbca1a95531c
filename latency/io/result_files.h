#pragma once
// Layouts of the latency plug-in's text outputs: plot files (".dat") and
// result tables. Each writer puts its lines on a stream (integers in
// decimal, floats in the stream's default six-significant-digit format, a
// line feed after every line); the caller decides where the stream goes.

#include <ostream>
#include <string>

#include <vector>

#include "latency/core/label_volume.h"
#include "latency/core/trapezoid_fit.h"

namespace latency::io {

struct PlotColour {
    int red, green, blue;
};
constexpr PlotColour kSignalColour{0, 255, 0};
constexpr PlotColour kSignalFitColour{255, 0, 0};
constexpr PlotColour kBetaColour{0, 255, 255};
constexpr PlotColour kBetaFitColour{255, 0, 255};
// Rows of "0 0" a plot file starts its data with.
constexpr int kPlotLeadingZeroRows = 2;

// One curve in the host's plot format: header, `zeroRows` rows "0 0", then
// n rows "100 (v[i] - offset) e[i]".
void writePlotFile(std::ostream& out, const float* values, const float* errors, float offset, int n,
                   int zeroRows, PlotColour colour);

// "%s_VTC%i.txt": the VTC line and the column names.
void writeSingleTrialTableHeader(std::ostream& out, int vtcNumber, const std::string& vtcPath);
// One row of measures: onset, width, time to peak, amplitude.
void writeMeasuresRow(std::ostream& out, const core::ResponseMeasures& measures);

// "AllSingleTrials_VTC%i.txt": one trial's header and its n samples with
// the fitted values, both in percent.
void writeSingleTrialCurve(std::ostream& out, int vtcNumber, const std::string& voiName, int trialNumber,
                           const float* trial, const float* fitted, int n);

// "AllVoxelTrials_VTC%i.txt": one voxel's header and its average trial in
// percent.
void writeVoxelAverageTrial(std::ostream& out, int vtcNumber, int voxelNumber, const float* average, int n);

// The four measures of one region, one value per VTC each.
struct RegionMeasuresByVtc {
    const float* onset;
    const float* width;
    const float* timeToPeak;
    const float* amplitude;
    int vtcs;
};
// "AvgTrials_Results.txt": one region's block.
void writeRegionResults(std::ostream& out, int regionNumber, const RegionMeasuresByVtc& values);

// The voxel-wise modes' region table: a header line, then for every region
// k (1-based, the k-th selected voxel in linear order) its VTC cell and the
// anatomical (VMR) coordinates of that cell's centre, comma-separated.
void writeRegionVoxelTable(std::ostream& out, const core::VtcGrid& grid, const std::vector<int>& selected);

// Output file names.
std::string signalPlotName(const std::string& voiName, int vtcNumber);
std::string signalFitPlotName(const std::string& voiName, int vtcNumber);
std::string betaPlotName(const std::string& voiName, int vtcNumber);
std::string betaFitPlotName(const std::string& voiName, int vtcNumber);
std::string singleTrialTableName(const std::string& voiName, int vtcNumber);
std::string allSingleTrialsName(int vtcNumber);
std::string allVoxelTrialsName(int vtcNumber);
extern const char* const kAverageResultsName;
extern const char* const kRegionVoxelsName;

}  // namespace latency::io
