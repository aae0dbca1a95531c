#include "host/doc_vtc_source.h"

#include "host/platform.h"

#include <cstring>
#include <map>

namespace talvora {
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

const float* VtcSource::floatData(std::vector<float>& copy) const {
  if (!header_.floatData()) return nullptr;
  if (reinterpret_cast<std::uintptr_t>(data_) % alignof(float) == 0) return reinterpret_cast<const float*>(data_);
  if (copy.empty()) {
    copy.resize(voxelCount() * static_cast<std::size_t>(header_.nrOfVolumes));
    std::memcpy(copy.data(), data_, copy.size() * 4);
  }
  return copy.data();
}

const std::uint16_t* VtcSource::intData(std::vector<std::uint16_t>& copy) const {
  if (header_.floatData()) return nullptr;
  if (reinterpret_cast<std::uintptr_t>(data_) % alignof(std::uint16_t) == 0)
    return reinterpret_cast<const std::uint16_t*>(data_);
  if (copy.empty()) {
    copy.resize(voxelCount() * static_cast<std::size_t>(header_.nrOfVolumes));
    std::memcpy(copy.data(), data_, copy.size() * 2);
  }
  return copy.data();
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
  for (auto it = cache.begin(); it != cache.end();) it = it->second.expired() ? cache.erase(it) : std::next(it);
  auto source = VtcSource::open(path);
  cache[key] = source;
  return source;
}

} // namespace talvora
