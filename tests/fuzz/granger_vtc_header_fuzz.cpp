// Fuzz target: the Granger plug-in's own VTC header reader, and the slice and
// voxel reads that follow it on whatever bytes come after the header.
#include "granger/io/vtc_stream.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const auto info = granger::io::readVtcInfo(in);
    if (!info) return 0;
    // Keep the reads small: a header may claim a huge grid.
    const std::size_t slice = static_cast<std::size_t>(info->dimX()) *
                              static_cast<std::size_t>(info->dimY()) *
                              static_cast<std::size_t>(info->nrOfVolumes);
    if (slice > (1u << 20)) return 0;
    std::vector<char> raw;
    std::vector<float> values;
    granger::io::readSlice(in, *info, 0, raw, values);
    std::vector<float> course(static_cast<std::size_t>(info->nrOfVolumes));
    granger::io::readVoxelTimeCourse(in, *info, 0, course.data());
    return 0;
}
