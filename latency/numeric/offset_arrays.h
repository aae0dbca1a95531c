#pragma once
// Offset-indexed arrays in the classic recipe style.
//
// An array requested for [lo ... hi] is addressed with indices lo ... hi and
// holds exactly hi - lo + 1 elements (no spare element). Matrices and 3-D
// arrays are one contiguous data block plus tables of row starts, so
// m[r][c] and t[r][c][d] work with the requested lower bounds. Each array
// is released by its own routine, given the same lower bounds.
//
// When a block cannot be obtained the allocator calls fatalError with the
// routine's fixed message; it frees the blocks it already obtained first, so
// a caught FatalError leaks nothing. A range with hi < lo - 1, or one whose
// byte size does not fit in size_t, counts as an allocation failure.

#include <cstddef>
#include <cstdint>

namespace latency::numeric {

// The block allocator behind every routine below. Tests replace it to
// provoke failures or count blocks; a null member selects malloc / free.
struct AllocatorHooks {
    void* (*allocate)(std::size_t bytes) = nullptr;
    void (*release)(void* block) = nullptr;
};
// Installs new hooks and returns the previous ones (not thread-safe; the
// plug-ins never start threads, and tests install and restore in one thread).
AllocatorHooks setAllocatorHooks(AllocatorHooks hooks);

float* allocFloatVector(long lo, long hi);
void freeFloatVector(float* v, long lo);

std::int32_t* allocIntVector(long lo, long hi);
void freeIntVector(std::int32_t* v, long lo);

float** allocFloatMatrix(long rowLo, long rowHi, long colLo, long colHi);
void freeFloatMatrix(float** m, long rowLo, long colLo);

float*** allocFloat3D(long rowLo, long rowHi, long colLo, long colHi, long depLo, long depHi);
void freeFloat3D(float*** t, long rowLo, long colLo, long depLo);

unsigned char*** allocByte3D(long rowLo, long rowHi, long colLo, long colHi, long depLo, long depHi);
void freeByte3D(unsigned char*** t, long rowLo, long colLo, long depLo);

}  // namespace latency::numeric
