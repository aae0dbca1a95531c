// The VTC reader against the memory-mapped VTC the host links: both refuse
// the same files with the same message, or both give the same header and the
// same values (each voxel's time course, and the whole block handed to
// plug-ins, aligned or not). An accepted file written again reads back equal.
#include "fuzz_support.h"
#include "host/documents/doc_vtc_source.h"
#include "host/formats/vtc_file.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace fmt = talvora::formats;
namespace fs = std::filesystem;
using fuzz_support::finding;

namespace {

bool sameHeader(const fmt::VtcHeader& a, const fmt::VtcHeader& b) {
    return a.version == b.version && a.sourceFMR == b.sourceFMR && a.hasProtocol == b.hasProtocol &&
           a.protocolName == b.protocolName && a.currentProtocolIndex == b.currentProtocolIndex &&
           a.dataType == b.dataType && a.nrOfVolumes == b.nrOfVolumes && a.grid == b.grid &&
           a.lrConvention == b.lrConvention && a.referenceSpace == b.referenceSpace &&
           std::memcmp(&a.tr, &b.tr, sizeof a.tr) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path path = fuzz_support::writeInput("input.vtc", data, size);
    std::string fileError, mappedError;
    fmt::VtcFile file;
    std::shared_ptr<talvora::VtcSource> mapped;
    try {
        file = fmt::readVtcFile(path);
    } catch (const std::runtime_error& e) {
        fileError = e.what();
    }
    try {
        mapped = talvora::VtcSource::open(path);
    } catch (const std::runtime_error& e) {
        mappedError = e.what();
    }
    if (fileError != mappedError)
        finding("the readers disagree: \"" + fileError + "\" vs \"" + mappedError + "\"");
    if (!mapped) return 0;

    if (!sameHeader(file.header, mapped->header()) || file.header.headerBytes != mapped->header().headerBytes)
        finding("the readers give different headers");
    const std::size_t voxels = file.header.grid.voxelCount();
    const std::size_t volumes = static_cast<std::size_t>(file.header.nrOfVolumes);
    std::vector<float> course(volumes);
    for (std::size_t v = 0; v < voxels; ++v) {
        if (!mapped->readTimeCourse(v, course.data())) finding("voxel inside the grid not read");
        for (std::size_t t = 0; t < volumes; ++t) {
            const float expected = file.header.floatData()
                                       ? file.floatValues[v * volumes + t]
                                       : static_cast<float>(file.intValues[v * volumes + t]);
            if (std::memcmp(&expected, &course[t], sizeof expected) != 0) finding("time courses differ");
        }
    }
    if (mapped->readTimeCourse(voxels, course.data())) finding("a voxel outside the grid was read");
    std::shared_ptr<talvora::platform::LazyAlignedCopy> view;
    if (file.header.floatData()) {
        const float* block = mapped->floatData(view);
        if (!block || std::memcmp(block, file.floatValues.data(), file.floatValues.size() * 4) != 0)
            finding("the float block differs");
    } else {
        const std::uint16_t* block = mapped->intData(view);
        if (!block || std::memcmp(block, file.intValues.data(), file.intValues.size() * 2) != 0)
            finding("the 16-bit block differs");
    }

    const fs::path again = fuzz_support::scratch() / "again.vtc";
    try {
        fmt::writeVtcFile(again, file.header, file.floatValues, file.intValues);
    } catch (const std::exception& e) {
        finding(std::string("an accepted VTC cannot be written: ") + e.what());
    }
    fmt::VtcFile back;
    try {
        back = fmt::readVtcFile(again);
    } catch (const std::exception& e) {
        finding(std::string("a written VTC cannot be read: ") + e.what());
    }
    if (!sameHeader(back.header, file.header) || back.floatValues.size() != file.floatValues.size() ||
        back.intValues != file.intValues ||
        (!file.floatValues.empty() &&
         std::memcmp(back.floatValues.data(), file.floatValues.data(), file.floatValues.size() * 4) != 0))
        finding("a VTC written again reads back different");
    return 0;
}
