// An aligned view of bytes that are not aligned (a VTC's data after a header
// of odd length), filled page by page only where it is touched.
//
// The host must hand a plug-in a float* to a VTC's whole data block, but a
// float* into the file's mapping would be misaligned, and copying a 700 MB
// VTC up front costs seconds and its size in memory for a pointer that many
// plug-ins never read. The view is reserved inaccessible; the first touch of
// a page (read or write) faults, the host's fault handler copies that page's
// bytes from the source and opens the page, and the access is retried. A
// fault anywhere else goes on to the handler that was there before.
//
// Part of the platform layer: the fault handler (POSIX) is a process-wide
// system facility, and where the system offers none (Windows) the view is an
// aligned copy made up front (lazy_aligned_copy_windows.cpp).
#pragma once

#include <cstddef>

namespace talvora::platform {

class LazyAlignedCopy {
public:
    // `source` must stay readable for `bytes` bytes while the view lives.
    LazyAlignedCopy(const unsigned char* source, std::size_t bytes);
    ~LazyAlignedCopy();
    LazyAlignedCopy(const LazyAlignedCopy&) = delete;
    LazyAlignedCopy& operator=(const LazyAlignedCopy&) = delete;

    // Page-aligned start of the view; null when it could not be set up.
    void* data() const { return view_; }
    std::size_t size() const { return bytes_; }
    // Pages filled so far (touched by a reader or writer).
    std::size_t pagesFilled() const;

private:
    void* view_ = nullptr;
    std::size_t bytes_ = 0;
    std::size_t mappedBytes_ = 0;
    int slot_ = -1;
};

}  // namespace talvora::platform
