// Applying a voxel displacement map (displacements in voxels along y):
// resampling U(x, y, z) = V(x, y + D(x, y, z), z), or y - D when negated.
#pragma once

#include "distortion/core/containers.h"
#include "distortion/core/distance.h"

#include <cmath>
#include <vector>

namespace distortion::core {

// Cubic B-spline resampling of a whole volume.
Volume undistortCubic(const Volume& src, const Volume& vdm, bool negate);

// Fails, as the resampling does, unless the map has the source's dimensions.
void checkMapFits(const Volume& vdm, const Dimensions& sourceDimensions);

// The cubic B-spline weights at a coordinate with floor f, for the
// coefficients at f + 2, f + 1, f, f - 1.
struct SplineWeights {
    int f;
    double w[4];
};

// The same with the coefficient storage kept between calls, so that a caller
// resampling many volumes sizes it once.
class CubicResampler {
public:
    // The coefficients of a volume of dimensions `d` whose value at raster
    // index i (x fastest) is value(i).
    template <class Value>
    void prepare(const Dimensions& d, Value value) {
        double* c = storage(d);
        for (std::size_t i = 0; i < c_.size(); ++i) c[i] = static_cast<double>(value(i));
        prefilter();
    }
    void prepare(const Volume& src);
    // Or in two steps: storage for the values of a volume of dimensions `d`
    // (raster order, x fastest) that the caller fills, then prefilter().
    double* storage(const Dimensions& d);
    void prefilter();
    // One row (y, z) of the prepared volume resampled with the map: nx values.
    void resampleRow(const Volume& vdm, bool negate, int y, int z, float* out) const;
    void resample(const Volume& vdm, bool negate, Volume& out) const;
    const std::vector<double>& coefficients() const { return c_; }

private:
    Dimensions dims_{0, 0, 0};
    std::vector<double> c_;
    std::vector<double> factor_, pivot_;
    // The x coordinates are whole numbers: their weights are computed once.
    std::vector<SplineWeights> weightsX_;
    double sampleAt(int x, const SplineWeights& wz, const SplineWeights& wy) const;
    void sampleInsideFour(int x, int z, const SplineWeights& wz, const SplineWeights wy[4],
                          double sum[4]) const;
};

// Trilinear resampling; neighbours outside the volume contribute 0.
void undistortLinear(Volume& dst, const Volume& src, const Volume& vdm, bool negate);

// Linear resampling along y of the listed voxels only, with displacement
// shift * box(q) + D(p); positions whose row falls outside keep their value.
void undistortLocal(Volume& dst, const Volume& src, const Volume& vdm, const std::vector<Position>& positions,
                    const std::vector<Position>& boxCoordinates, const Volume& box, float shift, bool negate);

// Sample positions farther out than this (or not numbers) lie outside any
// volume; they are never converted to an integer, which would be undefined.
constexpr float kFarOutside = 1e9f;

// Linear sampling of a column at a real position; outside counts as 0.
// Inline: the column-wise estimate calls it for every row of every trial.
inline float sampleColumn(const float* v, int n, float t) {
    if (!(std::fabs(t) < kFarOutside)) return 0.0f;
    const float fl = std::floor(t);
    const int i0 = static_cast<int>(fl), i1 = i0 + 1;
    const float a = (i0 >= 0 && i0 < n) ? v[i0] : 0.0f;
    const float b = (i1 >= 0 && i1 < n) ? v[i1] : 0.0f;
    return (static_cast<float>(i1) - t) * a + (t - static_cast<float>(i0)) * b;
}

// Central differences along y; first and last rows 0.
Volume yDerivative(const Volume& vdm);

// The map resampled onto a grid of other dimensions (same field of view);
// the displacement values are not rescaled.
Volume resizeMap(const Dimensions& dst, const Volume& vdm);
void resizeMap(Volume& dst, const Volume& src);

// Column by column, the map that undoes `vdm`; rows without a bracketing
// pair of forward positions get 0.
Volume inverseMap(const Volume& vdm);

// B-spline coefficients of the volume (along z, then y, then x), exposed for
// tests.
std::vector<double> bsplineCoefficients(const Volume& src);

}  // namespace distortion::core
