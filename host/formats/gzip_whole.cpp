#include "host/formats/gzip_whole.h"

#include "host/platform/platform.h"

#include <libdeflate.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace talvora::formats {

namespace {

constexpr std::uint64_t kMostPerInputByte = 1032;  // deflate's largest expansion
constexpr std::size_t kGzipFraming = 18;           // 10-byte header, 8-byte trailer

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
struct Free {
    void operator()(unsigned char* p) const { std::free(p); }
};

// The compressed file as a read-only view (mapped: no copy into a fresh
// buffer), or null when it cannot be opened.
std::unique_ptr<platform::FileView> viewOf(const fs::path& path, std::size_t size) {
    try {
        return platform::FileView::open(path, size);
    } catch (const std::runtime_error&) {
        return nullptr;
    }
}

std::uint32_t trailerSize(const unsigned char* bytes, std::size_t size) {
    const unsigned char* t = bytes + size - 4;  // little-endian ISIZE
    return std::uint32_t(t[0]) | std::uint32_t(t[1]) << 8 | std::uint32_t(t[2]) << 16 |
           std::uint32_t(t[3]) << 24;
}

}  // namespace

unsigned char* gunzipWhole(const fs::path& path, std::uint64_t expected) {
    std::error_code ec;
    const std::uint64_t size = fs::file_size(path, ec);
    if (ec || size < kGzipFraming || expected == 0 || expected >= (std::uint64_t(1) << 32) ||
        expected > size * kMostPerInputByte)
        return nullptr;
    const std::unique_ptr<platform::FileView> in = viewOf(path, static_cast<std::size_t>(size));
    if (!in || trailerSize(in->data(), static_cast<std::size_t>(size)) != expected) return nullptr;
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(libdeflate_alloc_decompressor());
    // Huge pages: the output is filled at once, page by page.
    std::unique_ptr<unsigned char, Free> out(
        static_cast<unsigned char*>(platform::allocateLargeBlock(expected)));
    if (!inflater || !out) return nullptr;
    std::size_t used = 0, produced = 0;
    const libdeflate_result result = libdeflate_gzip_decompress_ex(
        inflater.get(), in->data(), static_cast<std::size_t>(size), out.get(), expected, &used, &produced);
    // A second member or bytes after the first: the streaming reader decides.
    if (result != LIBDEFLATE_SUCCESS || used != size || produced != expected) return nullptr;
    return out.release();
}

}  // namespace talvora::formats
