#include "host/documents/doc_vtc_source.h"

#include "host/platform/platform.h"

#include <cstring>
#include <map>

namespace talvora::documents {
namespace fs = std::filesystem;

std::shared_ptr<VtcSource> VtcSource::open(const fs::path& path) {
    // Header first: it checks the size, so the mapping below covers every value.
    formats::VtcHeader header = formats::readVtcHeader(path);
    std::shared_ptr<VtcSource> source(new VtcSource());
    source->path_ = path;
    source->header_ = header;
    std::error_code ec;
    source->size_ = fs::file_size(path, ec);
    source->modified_ = fs::last_write_time(path, ec);
    const std::size_t bytes = header.headerBytes + header.dataBytes();
    source->view_ = platform::FileView::open(path, bytes);
    source->data_ = source->view_->data() + header.headerBytes;
    return source;
}

VtcSource::~VtcSource() = default;

bool VtcSource::unchangedOnDisk() const {
    std::error_code ec1, ec2;
    const auto size = fs::file_size(path_, ec1);
    const auto time = fs::last_write_time(path_, ec2);
    return !ec1 && !ec2 && size == size_ && time == modified_;
}

bool VtcSource::readTimeCourse(std::size_t voxel, float* out) const {
    if (!out || voxel >= voxelCount()) return false;
    const std::size_t n = static_cast<std::size_t>(header_.nrOfVolumes);
    if (header_.floatData()) {
        std::memcpy(out, data_ + voxel * n * 4, n * 4);
    } else {
        const unsigned char* p = data_ + voxel * n * 2;
        for (std::size_t i = 0; i < n; ++i) {
            std::uint16_t v;
            std::memcpy(&v, p + 2 * i, 2);
            out[i] = static_cast<float>(v);
        }
    }
    return true;
}

namespace {

// The data block itself when aligned for `alignment`, else an aligned view of it.
const void* alignedBlock(const unsigned char* data, std::size_t bytes, std::size_t alignment,
                         std::shared_ptr<platform::LazyAlignedCopy>& view) {
    if (reinterpret_cast<std::uintptr_t>(data) % alignment == 0) return data;
    if (!view || view->size() != bytes) view = std::make_shared<platform::LazyAlignedCopy>(data, bytes);
    return view->data();
}

}  // namespace

const float* VtcSource::floatData(std::shared_ptr<platform::LazyAlignedCopy>& view) const {
    if (!header_.floatData()) return nullptr;
    return static_cast<const float*>(alignedBlock(data_, header_.dataBytes(), alignof(float), view));
}

const std::uint16_t* VtcSource::intData(std::shared_ptr<platform::LazyAlignedCopy>& view) const {
    if (header_.floatData()) return nullptr;
    return static_cast<const std::uint16_t*>(
        alignedBlock(data_, header_.dataBytes(), alignof(std::uint16_t), view));
}

std::shared_ptr<VtcSource> openVtcShared(const fs::path& path) {
    static std::map<fs::path, std::weak_ptr<VtcSource>> cache;
    std::error_code ec;
    fs::path key = fs::weakly_canonical(fs::absolute(path), ec);
    if (ec) key = fs::absolute(path).lexically_normal();
    if (auto it = cache.find(key); it != cache.end()) {
        if (auto alive = it->second.lock(); alive && alive->unchangedOnDisk()) return alive;
        cache.erase(it);
    }
    // Forget entries whose sources are gone, so the cache stays small.
    for (auto it = cache.begin(); it != cache.end();)
        it = it->second.expired() ? cache.erase(it) : std::next(it);
    auto source = VtcSource::open(path);
    cache[key] = source;
    return source;
}

}  // namespace talvora::documents
