// A whole gzip file decompressed in one call (libdeflate), when the file
// itself vouches for the size: several times faster than zlib's streaming
// inflate, which stays the way for everything else.
#pragma once

#include <cstdint>
#include <filesystem>

namespace talvora::formats {

// The decompressed content of `path`, exactly `expected` bytes in a block
// for std::free (the caller frees it), or null, with nothing left allocated,
// unless all of these hold: `expected` is under 4 GiB and no more than
// deflate can produce from the file's size (1032 bytes per byte); the gzip
// trailer's size (ISIZE) equals `expected`; the file is one gzip member
// that decompresses, checksum and all, to exactly `expected` bytes. So a
// header promising more than the file holds allocates nothing here.
unsigned char* gunzipWhole(const std::filesystem::path& path, std::uint64_t expected);

}  // namespace talvora::formats
