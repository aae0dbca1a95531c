#include "granger/io/vtc_file_reader.h"

#include <sstream>

namespace granger::io {

bool VtcFileReader::readSlice(int z, std::vector<float>& values) {
    return io::readSlice(*stream_, info_, z, raw_, values);
}

bool VtcFileReader::readTimeCourse(std::size_t voxel, float* values) {
    return readVoxelTimeCourse(*stream_, info_, voxel, values);
}

core::Outcome openVtcFile(const std::string& path, const std::string& condition,
                          std::unique_ptr<VtcFileReader>& reader) {
    auto stream = std::make_unique<std::ifstream>(path, std::ios::binary);
    std::ostringstream errors;
    if (!*stream) {
        errors << "Could not open file: " << path << "\nfor condition '" << condition << "'";
        return core::Outcome::terminal(errors.str());
    }
    const auto info = readVtcInfo(*stream);
    if (!info) {
        errors << "Could not correctly read vtc-header file: " << path << "\nfor condition '" << condition
               << "'\nN.B.:VTC version 2 required for this version of the VUV_Irurar!";
        return core::Outcome::terminal(errors.str());
    }
    // A file shorter than its header says is refused before any work is done.
    stream->seekg(0, std::ios::end);
    const std::uint64_t size = static_cast<std::uint64_t>(stream->tellg());
    const std::uint64_t needed = static_cast<std::uint64_t>(info->headerBytes) +
                                 static_cast<std::uint64_t>(info->dimX()) * info->dimY() * info->dimZ() *
                                     static_cast<std::uint64_t>(info->nrOfVolumes) * info->bytesPerValue();
    if (size < needed) {
        errors << "Could not read data from vtc '" << path << "'\n"
               << "The file was corrupted (not of expected size) or made inaccessible";
        return core::Outcome::terminal(errors.str());
    }
    // More data than the header announces would be read with the wrong
    // stride: every voxel's time course would start in the wrong place.
    if (size > needed) {
        errors << "The vtc '" << path << "' holds " << size << " bytes, but its header announces " << needed
               << " bytes (" << info->nrOfVolumes << " volumes of " << info->dimX() << " x " << info->dimY()
               << " x " << info->dimZ() << " voxels)";
        return core::Outcome::terminal(errors.str());
    }
    reader = std::make_unique<VtcFileReader>(std::move(stream), *info);
    return core::Outcome::done();
}

}  // namespace granger::io
