#include "distortion/core/containers.h"

#include "distortion/core/errors.h"

#include <algorithm>

namespace distortion::core {

Vector Vector::operator*(float s) const {
    Vector r(*this);
    for (float& x : r.v_) x *= s;
    return r;
}
Vector Vector::operator+(float s) const {
    Vector r(*this);
    for (float& x : r.v_) x += s;
    return r;
}
Vector Vector::operator/(float s) const {
    Vector r(*this);
    for (float& x : r.v_) x /= s;
    return r;
}
Vector Vector::operator-(const Vector& other) const {
    Vector r(*this);
    r -= other;
    return r;
}
Vector& Vector::operator+=(const Vector& other) {
    for (std::size_t i = 0; i < v_.size(); ++i) v_[i] += other.v_[i];
    return *this;
}
Vector& Vector::operator-=(const Vector& other) {
    for (std::size_t i = 0; i < v_.size(); ++i) v_[i] -= other.v_[i];
    return *this;
}
float Vector::maximum() const {
    return *std::max_element(v_.begin(), v_.end());
}
float Vector::minimum() const {
    return *std::min_element(v_.begin(), v_.end());
}

Matrix Matrix::transposed() const {
    Matrix r(columns_, rows_);
    for (int j = 0; j < columns_; ++j)
        for (int i = 0; i < rows_; ++i) r(j, i) = (*this)(i, j);
    return r;
}
Matrix Matrix::operator*(const Matrix& other) const {
    Matrix r(rows_, other.columns_, 0.0f);
    for (int j = 0; j < other.columns_; ++j)
        for (int k = 0; k < columns_; ++k)
            for (int i = 0; i < rows_; ++i) r(i, j) += (*this)(i, k) * other(k, j);
    return r;
}
Vector Matrix::operator*(const Vector& v) const {
    Vector r(rows_, 0.0f);
    for (int j = 0; j < columns_; ++j)
        for (int i = 0; i < rows_; ++i) r[i] += (*this)(i, j) * v[j];
    return r;
}
Matrix Matrix::operator-() const {
    Matrix r(*this);
    for (float& x : r.v_) x = -x;
    return r;
}
void Matrix::replace(const Matrix& other) {
    rows_ = other.rows_;
    columns_ = other.columns_;
    if (v_.size() == other.v_.size())
        std::copy(other.v_.begin(), other.v_.end(), v_.begin());
    else
        v_ = other.v_;
}

void Volume::fill(float value) {
    std::fill(v_.begin(), v_.end(), value);
}

Volume Volume::exchangedXY() const {
    Volume r(ny_, nx_, nz_);
    for (int z = 0; z < nz_; ++z)
        for (int y = 0; y < ny_; ++y)
            for (int x = 0; x < nx_; ++x)
                r.v_[(static_cast<std::size_t>(z) * nx_ + x) * ny_ + y] = v_[index(x, y, z)];
    return r;
}
Volume Volume::operator*(const Volume& other) const {
    Volume r(*this);
    for (std::size_t i = 0; i < v_.size(); ++i) r.v_[i] *= other.v_[i];
    return r;
}
Volume Volume::operator-() const {
    Volume r(*this);
    for (float& x : r.v_) x = -x;
    return r;
}
Volume Volume::operator+(float s) const {
    Volume r(*this);
    for (float& x : r.v_) x += s;
    return r;
}
Volume Volume::operator*(float s) const {
    Volume r(*this);
    for (float& x : r.v_) x *= s;
    return r;
}

Vector column(const Volume& vol, int row, int slice) {
    MIREL_ASSERT(row < vol.nx() && slice < vol.nz());
    Vector v(vol.ny());
    for (int y = 0; y < vol.ny(); ++y) v[y] = vol(row, y, slice);
    return v;
}

void setColumn(Volume& vol, int row, int slice, const Vector& vec) {
    MIREL_ASSERT(vec.size() == vol.ny());
    MIREL_ASSERT(row < vol.nx() && slice < vol.nz());
    for (int y = 0; y < vol.ny(); ++y) vol(row, y, slice) = vec[y];
}

}  // namespace distortion::core
