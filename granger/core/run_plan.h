// What one Granger causality mapping run computes, as plain data: the common
// grid of its VTCs, the reference VOIs, the conditions with their VTC
// entries and intervals, and the outcome of the computation.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "frame/voi_convention.h"

namespace granger::core {

// The grid every VTC of a run shares and the largest number of volumes seen:
// the maps' box, the surrogates' length.
struct RunGeometry {
    std::int32_t resolution = 0;
    std::int32_t xStart = 0, xEnd = 0, yStart = 0, yEnd = 0, zStart = 0, zEnd = 0;
    std::int32_t maxVolumes = 0;

    int dimX() const { return resolution > 0 ? (xEnd - xStart) / resolution : 0; }
    int dimY() const { return resolution > 0 ? (yEnd - yStart) / resolution : 0; }
    int dimZ() const { return resolution > 0 ? (zEnd - zStart) / resolution : 0; }
};

struct VtcEntry {
    std::string sourcePath;
    std::string targetPath;  // the source path unless source and target VTCs are separate
    int sourceVolumes = 0;
    int targetVolumes = 0;
    std::vector<std::pair<int, int>> intervals;  // (first, last), 1-based, inclusive
};

// A selected VTC the run could not use, and why ("the file could not be opened", ...).
struct SkippedVtc {
    std::string path;
    std::string reason;
};

struct Condition {
    std::string name;
    std::vector<VtcEntry> entries;
    std::vector<SkippedVtc> skipped;
};

struct ReferenceVoi {
    std::string name;
    int convention = tl::kVoiVolumeConvention;  // how the voxels are stored
    std::vector<int> voxels;                    // c0 c1 c2 per voxel
};

// How a computation ended: done, stopped by an invalid parameter set, or
// stopped by an internal or file error, with the text that says why.
class Outcome {
public:
    enum class Kind { Done, InvalidParameters, TerminalError };

    static Outcome done() { return Outcome(Kind::Done, {}); }
    static Outcome invalid(std::string text) { return Outcome(Kind::InvalidParameters, std::move(text)); }
    static Outcome terminal(std::string text) { return Outcome(Kind::TerminalError, std::move(text)); }

    bool ok() const { return kind_ == Kind::Done; }
    Kind kind() const { return kind_; }
    const std::string& text() const { return text_; }

private:
    Outcome(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}
    Kind kind_;
    std::string text_;
};

}  // namespace granger::core
