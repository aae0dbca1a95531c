// Where the system offers no fault handler to fill pages on first touch
// (Windows), the aligned view is an aligned copy made up front.
#include "host/platform/lazy_aligned_copy.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace talvora::platform {

LazyAlignedCopy::LazyAlignedCopy(const unsigned char* source, std::size_t bytes) : bytes_(bytes) {
    if (!source || bytes == 0) return;
    // Words of 8 bytes align floats and 16-bit values alike.
    auto* copy = new (std::nothrow) std::uint64_t[(bytes + 7) / 8];
    if (!copy) return;
    std::memcpy(copy, source, bytes);
    view_ = copy;
    mappedBytes_ = bytes;
}

LazyAlignedCopy::~LazyAlignedCopy() {
    delete[] static_cast<std::uint64_t*>(view_);
}

std::size_t LazyAlignedCopy::pagesFilled() const {
    return view_ ? (bytes_ + 4095) / 4096 : 0;
}

}  // namespace talvora::platform
