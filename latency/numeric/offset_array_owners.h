#pragma once
// Owners for the offset-indexed arrays: they release in their destructor, so
// a FatalError thrown part-way through a run frees what the run had
// allocated. get() returns the raw offset pointer for code written against
// the plain routines.

#include <cstdint>
#include <utility>

#include "latency/numeric/offset_arrays.h"

namespace latency::numeric {

template <typename T, T* (*Alloc)(long, long), void (*Free)(T*, long)>
class OwnedOffsetVector {
public:
    OwnedOffsetVector(long lo, long hi) : lo_(lo), hi_(hi), v_(Alloc(lo, hi)) {}
    ~OwnedOffsetVector() { Free(v_, lo_); }
    OwnedOffsetVector(OwnedOffsetVector&& other) noexcept
        : lo_(other.lo_), hi_(other.hi_), v_(std::exchange(other.v_, nullptr)) {}
    OwnedOffsetVector& operator=(OwnedOffsetVector&& other) noexcept {
        if (this != &other) {
            Free(v_, lo_);
            lo_ = other.lo_;
            hi_ = other.hi_;
            v_ = std::exchange(other.v_, nullptr);
        }
        return *this;
    }
    OwnedOffsetVector(const OwnedOffsetVector&) = delete;
    OwnedOffsetVector& operator=(const OwnedOffsetVector&) = delete;

    T& operator[](long i) { return v_[i]; }
    const T& operator[](long i) const { return v_[i]; }
    T* get() const { return v_; }
    long lo() const { return lo_; }
    long hi() const { return hi_; }

private:
    long lo_;
    long hi_;
    T* v_;
};

using FloatVector = OwnedOffsetVector<float, allocFloatVector, freeFloatVector>;
using IntVector = OwnedOffsetVector<std::int32_t, allocIntVector, freeIntVector>;

class FloatMatrix {
public:
    FloatMatrix(long rowLo, long rowHi, long colLo, long colHi)
        : rowLo_(rowLo), colLo_(colLo), m_(allocFloatMatrix(rowLo, rowHi, colLo, colHi)) {}
    ~FloatMatrix() { freeFloatMatrix(m_, rowLo_, colLo_); }
    FloatMatrix(FloatMatrix&& other) noexcept
        : rowLo_(other.rowLo_), colLo_(other.colLo_), m_(std::exchange(other.m_, nullptr)) {}
    FloatMatrix(const FloatMatrix&) = delete;
    FloatMatrix& operator=(const FloatMatrix&) = delete;
    FloatMatrix& operator=(FloatMatrix&&) = delete;

    float* operator[](long row) const { return m_[row]; }
    float** get() const { return m_; }

private:
    long rowLo_;
    long colLo_;
    float** m_;
};

template <typename T, T*** (*Alloc)(long, long, long, long, long, long), void (*Free)(T***, long, long, long)>
class OwnedArray3D {
public:
    OwnedArray3D(long rowLo, long rowHi, long colLo, long colHi, long depLo, long depHi)
        : rowLo_(rowLo), colLo_(colLo), depLo_(depLo), t_(Alloc(rowLo, rowHi, colLo, colHi, depLo, depHi)) {}
    ~OwnedArray3D() { Free(t_, rowLo_, colLo_, depLo_); }
    OwnedArray3D(OwnedArray3D&& other) noexcept
        : rowLo_(other.rowLo_),
          colLo_(other.colLo_),
          depLo_(other.depLo_),
          t_(std::exchange(other.t_, nullptr)) {}
    OwnedArray3D(const OwnedArray3D&) = delete;
    OwnedArray3D& operator=(const OwnedArray3D&) = delete;
    OwnedArray3D& operator=(OwnedArray3D&&) = delete;

    T** operator[](long row) const { return t_[row]; }
    T*** get() const { return t_; }

private:
    long rowLo_;
    long colLo_;
    long depLo_;
    T*** t_;
};

using FloatArray3D = OwnedArray3D<float, allocFloat3D, freeFloat3D>;
using ByteArray3D = OwnedArray3D<unsigned char, allocByte3D, freeByte3D>;

}  // namespace latency::numeric
