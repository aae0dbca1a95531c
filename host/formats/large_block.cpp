#include "host/formats/large_block.h"

#include <algorithm>
#include <cstdlib>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace talvora::formats {

void* allocateLargeBlock(std::size_t bytes) {
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    const std::size_t rounded = std::max(kHugePage, (bytes + kHugePage - 1) / kHugePage * kHugePage);
    if (rounded < bytes) return nullptr;
    void* p = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
    if (p) madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return p;
}

}  // namespace talvora::formats
