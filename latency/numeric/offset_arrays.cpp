#include "latency/numeric/offset_arrays.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

#include "latency/numeric/fatal_error.h"

namespace latency::numeric {
namespace {

AllocatorHooks g_hooks;

void* allocateBlock(std::size_t bytes) {
    // A zero-length block still gets a real address so that release works.
    if (bytes == 0) bytes = 1;
    return g_hooks.allocate ? g_hooks.allocate(bytes) : std::malloc(bytes);
}

void releaseBlock(void* block) {
    if (g_hooks.release)
        g_hooks.release(block);
    else
        std::free(block);
}

// Number of elements of [lo ... hi]; -1 when the range is reversed by more
// than one (an empty range lo = hi + 1 is allowed).
long countOf(long lo, long hi) {
    if (hi < lo - 1) return -1;
    return hi - lo + 1;
}

// Product of element counts and element size, or 0 with ok = false when a
// count is negative or the product does not fit in size_t.
std::size_t byteSize(bool& ok, std::size_t elementSize, long a, long b = 1, long c = 1) {
    const std::size_t maxSize = std::numeric_limits<std::size_t>::max();
    ok = a >= 0 && b >= 0 && c >= 0;
    if (!ok) return 0;
    std::size_t size = elementSize;
    for (long factor : {a, b, c}) {
        const auto f = static_cast<std::size_t>(factor);
        if (f != 0 && size > maxSize / f) {
            ok = false;
            return 0;
        }
        size *= f;
    }
    return size;
}

// The offset pointer p - lo. Computed on integer addresses because the
// shifted pointer may lie outside the block (it is only ever dereferenced
// with indices inside the requested range).
template <typename T>
T* shift(T* p, long by) {
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    const auto delta = static_cast<std::uintptr_t>(by) * sizeof(T);
    return reinterpret_cast<T*>(address + delta);
}

template <typename T>
T* allocVector(long lo, long hi, const char* message) {
    bool ok = false;
    const std::size_t bytes = byteSize(ok, sizeof(T), countOf(lo, hi));
    void* block = ok ? allocateBlock(bytes) : nullptr;
    if (!block) fatalError(message);
    return shift(static_cast<T*>(block), -lo);
}

template <typename T>
void freeVector(T* v, long lo) {
    if (v) releaseBlock(shift(v, lo));
}

// Row tables keep at least one slot: the first row start also carries the
// data block's address for the release routine.
long tableCount(long n) {
    return n > 0 ? n : 1;
}

template <typename T>
T*** alloc3D(long rowLo, long rowHi, long colLo, long colHi, long depLo, long depHi,
             const char* const messages[3]) {
    const long rows = countOf(rowLo, rowHi);
    const long cols = countOf(colLo, colHi);
    const long deps = countOf(depLo, depHi);
    // A reversed range fails at the block that first depends on it.
    const long rowSlots = rows < 0 ? -1 : tableCount(rows);
    const long colSlots = cols < 0 ? -1 : tableCount(cols);
    bool ok = false;

    std::size_t bytes = byteSize(ok, sizeof(T**), rowSlots);
    auto** rowTable = static_cast<T***>(ok ? allocateBlock(bytes) : nullptr);
    if (!rowTable) fatalError(messages[0]);

    bytes = byteSize(ok, sizeof(T*), rowSlots, colSlots);
    auto** colTable = static_cast<T**>(ok ? allocateBlock(bytes) : nullptr);
    if (!colTable) {
        releaseBlock(rowTable);
        fatalError(messages[1]);
    }

    bytes = byteSize(ok, sizeof(T), rows, cols, deps);
    auto* data = static_cast<T*>(ok ? allocateBlock(bytes) : nullptr);
    if (!data) {
        releaseBlock(colTable);
        releaseBlock(rowTable);
        fatalError(messages[2]);
    }

    // With rows or cols 0 the single table slot (r = c = 0) anchors the data
    // block at offset 0, which the release routine reads back.
    T*** t = shift(rowTable, -rowLo);
    for (long r = 0; r < rowSlots; ++r) {
        t[rowLo + r] = shift(colTable + r * colSlots, -colLo);
        for (long c = 0; c < colSlots; ++c)
            t[rowLo + r][colLo + c] = shift(data, (r * cols + c) * deps - depLo);
    }
    return t;
}

template <typename T>
void free3D(T*** t, long rowLo, long colLo, long depLo) {
    if (!t) return;
    releaseBlock(shift(t[rowLo][colLo], depLo));
    releaseBlock(shift(t[rowLo], colLo));
    releaseBlock(shift(t, rowLo));
}

}  // namespace

AllocatorHooks setAllocatorHooks(AllocatorHooks hooks) {
    const AllocatorHooks previous = g_hooks;
    g_hooks = hooks;
    return previous;
}

float* allocFloatVector(long lo, long hi) {
    return allocVector<float>(lo, hi, "allocation failure in vector()");
}
void freeFloatVector(float* v, long lo) {
    freeVector(v, lo);
}

std::int32_t* allocIntVector(long lo, long hi) {
    return allocVector<std::int32_t>(lo, hi, "allocation failure in ivector()");
}
void freeIntVector(std::int32_t* v, long lo) {
    freeVector(v, lo);
}

float** allocFloatMatrix(long rowLo, long rowHi, long colLo, long colHi) {
    const long rows = countOf(rowLo, rowHi);
    const long cols = countOf(colLo, colHi);
    bool ok = false;

    std::size_t bytes = byteSize(ok, sizeof(float*), rows < 0 ? -1 : tableCount(rows));
    auto** rowTable = static_cast<float**>(ok ? allocateBlock(bytes) : nullptr);
    if (!rowTable) fatalError("allocation failure 1 in matrix()");

    bytes = byteSize(ok, sizeof(float), rows, cols);
    auto* data = static_cast<float*>(ok ? allocateBlock(bytes) : nullptr);
    if (!data) {
        releaseBlock(rowTable);
        fatalError("allocation failure 2 in matrix()");
    }

    float** m = shift(rowTable, -rowLo);
    m[rowLo] = shift(data, -colLo);
    for (long r = 1; r < rows; ++r) m[rowLo + r] = m[rowLo + r - 1] + cols;
    return m;
}

void freeFloatMatrix(float** m, long rowLo, long colLo) {
    if (!m) return;
    releaseBlock(shift(m[rowLo], colLo));
    releaseBlock(shift(m, rowLo));
}

float*** allocFloat3D(long rowLo, long rowHi, long colLo, long colHi, long depLo, long depHi) {
    static const char* const messages[3] = {"allocation failure 1 in f3tensor()",
                                            "allocation failure 2 in f3tensor()",
                                            "allocation failure 3 in f3tensor()"};
    return alloc3D<float>(rowLo, rowHi, colLo, colHi, depLo, depHi, messages);
}
void freeFloat3D(float*** t, long rowLo, long colLo, long depLo) {
    free3D(t, rowLo, colLo, depLo);
}

unsigned char*** allocByte3D(long rowLo, long rowHi, long colLo, long colHi, long depLo, long depHi) {
    static const char* const messages[3] = {"allocation failure 1 in c3tensor()",
                                            "allocation failure 2 in c3tensor()",
                                            "allocation failure 3 in c3tensor()"};
    return alloc3D<unsigned char>(rowLo, rowHi, colLo, colHi, depLo, depHi, messages);
}
void freeByte3D(unsigned char*** t, long rowLo, long colLo, long depLo) {
    free3D(t, rowLo, colLo, depLo);
}

}  // namespace latency::numeric
