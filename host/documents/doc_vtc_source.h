// An open VTC file, memory-mapped read-only where the system allows (else
// read whole; host/platform/platform.h): the kernel pages data in as voxels are read, so a whole-brain VTC
// costs no copy up front. The file stores each voxel's time course contiguously, so one voxel is one copy.
#pragma once

#include "host/formats/vtc_file.h"
#include "host/platform/lazy_aligned_copy.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace talvora::platform {
class FileView;
}  // namespace talvora::platform

namespace talvora::documents {

class VtcSource {
public:
    // Validates the header against the file size, then maps the file.
    // Throws std::runtime_error("<path>: <problem>").
    static std::shared_ptr<VtcSource> open(const std::filesystem::path& path);
    ~VtcSource();
    VtcSource(const VtcSource&) = delete;
    VtcSource& operator=(const VtcSource&) = delete;

    const std::filesystem::path& path() const { return path_; }
    const formats::VtcHeader& header() const { return header_; }
    std::size_t voxelCount() const { return header_.grid.voxelCount(); }
    // True when the file on disk still has the size and time it had on open.
    bool unchangedOnDisk() const;

    // Copies one voxel's time course (nrOfVolumes values) as floats; false
    // when the voxel index is outside the grid.
    bool readTimeCourse(std::size_t voxel, float* out) const;

    // The whole data block in its stored type; null when the type differs.
    // Points into the mapping when it is suitably aligned, else into `view`,
    // an aligned view made on first request and filled page by page as it is
    // read, so the file is never copied whole (the caller decides how long a
    // view lives).
    const float* floatData(std::shared_ptr<platform::LazyAlignedCopy>& view) const;
    const std::uint16_t* intData(std::shared_ptr<platform::LazyAlignedCopy>& view) const;

private:
    VtcSource() = default;
    std::filesystem::path path_;
    formats::VtcHeader header_;
    std::filesystem::file_time_type modified_;
    std::uintmax_t size_ = 0;
    std::unique_ptr<platform::FileView> view_;
    const unsigned char* data_ = nullptr;
};

// Opens a VTC through a cache of the files still in use, so the linked VTC
// and the multi-VTC list share one mapping of the same file.
std::shared_ptr<VtcSource> openVtcShared(const std::filesystem::path& path);

}  // namespace talvora::documents

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace documents;
}  // namespace talvora
