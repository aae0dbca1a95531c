// A VTC file opened for a run's computation: checked against its header
// before any work, then read one slice or one voxel at a time.
#pragma once

#include "granger/core/run_plan.h"
#include "granger/core/slice_reader.h"
#include "granger/io/vtc_stream.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace granger::io {

class VtcFileReader : public core::SliceReader {
public:
    VtcFileReader(std::unique_ptr<std::ifstream> stream, const VtcInfo& info)
        : stream_(std::move(stream)), info_(info) {}
    int volumes() const override { return info_.nrOfVolumes; }
    bool readSlice(int z, std::vector<float>& values) override;
    bool readTimeCourse(std::size_t voxel, float* values) override;

private:
    std::unique_ptr<std::ifstream> stream_;
    VtcInfo info_;
    std::vector<char> raw_;  // kept between slices
};

// Opens the VTC at `path` for condition `condition`. Refuses (terminal
// error, with the text naming the file) a file that cannot be opened, a
// header that cannot be read, and data shorter or longer than the header says.
core::Outcome openVtcFile(const std::string& path, const std::string& condition,
                          std::unique_ptr<VtcFileReader>& reader);

}  // namespace granger::io
