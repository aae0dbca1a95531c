// Run-sized blocks of memory that are filled at once after allocation.
#pragma once

#include <cstddef>

namespace talvora::formats {

// `bytes` of uninitialised memory for std::free, in 2 MiB pages where the
// system offers them on request: filling the block then takes a page fault
// per 2 MiB instead of per 4 KiB, which is much of the time of a fast
// conversion. Null when the memory is not there.
void* allocateLargeBlock(std::size_t bytes);

}  // namespace talvora::formats
