// Plain owning containers for the image arithmetic: a 3-D grid of floats
// (x fastest), a 1-D array and a column-major 2-D array.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace distortion::core {

using Dimensions = std::array<int, 3>;

class Vector {
public:
    Vector() = default;
    explicit Vector(int size) : v_(static_cast<std::size_t>(size)) {}
    Vector(int size, float value) : v_(static_cast<std::size_t>(size), value) {}
    int size() const { return static_cast<int>(v_.size()); }
    float& operator[](int i) { return v_[static_cast<std::size_t>(i)]; }
    float operator[](int i) const { return v_[static_cast<std::size_t>(i)]; }
    float* data() { return v_.data(); }
    const float* data() const { return v_.data(); }

    Vector operator*(float s) const;
    Vector operator+(float s) const;
    Vector operator/(float s) const;
    Vector operator-(const Vector& other) const;
    Vector& operator+=(const Vector& other);
    Vector& operator-=(const Vector& other);
    float maximum() const;
    float minimum() const;

private:
    std::vector<float> v_;
};

// rows x columns, element (i, j) at j * rows + i.
class Matrix {
public:
    Matrix() = default;
    Matrix(int rows, int columns)
        : rows_(rows), columns_(columns), v_(static_cast<std::size_t>(rows) * columns) {}
    Matrix(int rows, int columns, float value)
        : rows_(rows), columns_(columns), v_(static_cast<std::size_t>(rows) * columns, value) {}
    int rows() const { return rows_; }
    int columns() const { return columns_; }
    float& operator()(int i, int j) { return v_[static_cast<std::size_t>(j) * rows_ + i]; }
    float operator()(int i, int j) const { return v_[static_cast<std::size_t>(j) * rows_ + i]; }
    float* data() { return v_.data(); }
    const float* data() const { return v_.data(); }
    std::size_t count() const { return v_.size(); }

    Matrix transposed() const;
    Matrix operator*(const Matrix& other) const;
    Vector operator*(const Vector& v) const;
    Matrix operator-() const;
    void replace(const Matrix& other);

private:
    int rows_ = 0, columns_ = 0;
    std::vector<float> v_;
};

class Volume {
public:
    Volume() = default;
    Volume(int nx, int ny, int nz) : nx_(nx), ny_(ny), nz_(nz), v_(count(nx, ny, nz)) {}
    Volume(int nx, int ny, int nz, float value) : nx_(nx), ny_(ny), nz_(nz), v_(count(nx, ny, nz), value) {}
    explicit Volume(const Dimensions& d) : Volume(d[0], d[1], d[2]) {}
    Volume(const Dimensions& d, float value) : Volume(d[0], d[1], d[2], value) {}
    Volume(const Volume&) = default;
    Volume& operator=(const Volume&) = default;
    Volume(Volume&& o) noexcept : nx_(o.nx_), ny_(o.ny_), nz_(o.nz_), v_(std::move(o.v_)) { o.clearSizes(); }
    Volume& operator=(Volume&& o) noexcept {
        nx_ = o.nx_, ny_ = o.ny_, nz_ = o.nz_;
        v_ = std::move(o.v_);
        o.clearSizes();
        return *this;
    }

    int nx() const { return nx_; }
    int ny() const { return ny_; }
    int nz() const { return nz_; }
    Dimensions dimensions() const { return {nx_, ny_, nz_}; }
    std::size_t size() const { return v_.size(); }
    std::size_t index(int x, int y, int z) const { return (static_cast<std::size_t>(z) * ny_ + y) * nx_ + x; }
    float& operator()(int x, int y, int z) { return v_[index(x, y, z)]; }
    float operator()(int x, int y, int z) const { return v_[index(x, y, z)]; }
    float& operator[](std::size_t i) { return v_[i]; }
    float operator[](std::size_t i) const { return v_[i]; }
    float* data() { return v_.data(); }
    const float* data() const { return v_.data(); }

    void fill(float value);
    Volume exchangedXY() const;
    Volume operator*(const Volume& other) const;
    Volume operator-() const;
    Volume operator+(float s) const;
    Volume operator*(float s) const;
    void replace(Volume&& other) { *this = std::move(other); }
    void replace(const Volume& other) { *this = other; }

private:
    static std::size_t count(int nx, int ny, int nz) {
        return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) * static_cast<std::size_t>(nz);
    }
    void clearSizes() { nx_ = ny_ = nz_ = 0; }
    int nx_ = 0, ny_ = 0, nz_ = 0;
    std::vector<float> v_;
};

// The ny values at (x, 0 .. ny-1, z), and writing them back.
Vector column(const Volume& vol, int row, int slice);
void setColumn(Volume& vol, int row, int slice, const Vector& vec);

}  // namespace distortion::core
