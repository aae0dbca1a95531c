#include "tools/make_phantom/phantom_model.h"

#include <cmath>

namespace phantom {
namespace {

// A smooth step from 1 inside to 0 outside over about one voxel.
double inside(double r) {
    return 1.0 / (1.0 + std::exp((r - 1.0) * 12.0));
}

// Normalised ellipsoid radius around the centre of the grid.
double radius(const Grid& g, double x, double y, double z, double sx, double sy, double sz, double oy = 0) {
    const double dx = (x - (g.nx - 1) / 2.0) / (sx * g.nx),
                 dy = (y - (g.ny - 1) / 2.0 - oy * g.ny) / (sy * g.ny),
                 dz = (z - (g.nz - 1) / 2.0) / (sz * g.nz);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double bump(double dx, double dy, double dz, double w) {
    return std::exp(-(dx * dx + dy * dy + dz * dz) / (2 * w * w));
}

}  // namespace

float anatomy(const Grid& g, double x, double y, double z) {
    const double head = inside(radius(g, x, y, z, 0.42, 0.44, 0.55));
    const double skullOuter = inside(radius(g, x, y, z, 0.39, 0.41, 0.51));
    const double brain = inside(radius(g, x, y, z, 0.36, 0.38, 0.47));
    const double white = inside(radius(g, x, y, z, 0.25, 0.28, 0.35));
    const double ventricles = inside(radius(g, x, y, z, 0.06, 0.12, 0.15, -0.02));
    // Folding of the cortex as a smooth texture, so registration has detail.
    const double folds = 0.5 + 0.5 * std::sin(0.9 * x + 0.35 * z) * std::cos(0.7 * y);
    const double scalp = 500.0, skull = 60.0, csf = 1300.0;
    const double grey = 750.0 + 250.0 * folds, whiteValue = 520.0;
    double v = scalp * head;
    v += (skull - scalp) * skullOuter;
    v += (csf - skull) * brain;  // a CSF rim between skull and cortex
    v += (grey - csf) * inside(radius(g, x, y, z, 0.34, 0.36, 0.45));
    v += (whiteValue - grey) * white;
    v += (csf - whiteValue) * ventricles;
    return static_cast<float>(v);
}

bool insideObject(const Grid& g, double x, double y, double z) {
    return radius(g, x, y, z, 0.42, 0.44, 0.55) < 1.0;
}

double field(const Grid& g, double x, double y, double z, double peak, int axis) {
    // Two off-resonance regions (frontal sinus, temporal bone) and a gentle
    // gradient; positions in units of the grid.
    const double u = x / g.nx, v = y / g.ny, w = z / std::max(1, g.nz);
    double f = 1.0 * bump(u - 0.5, v - 0.2, w - 0.35, 0.12) + 0.6 * bump(u - 0.2, v - 0.55, w - 0.3, 0.1) +
               0.15 * std::sin(3.0 * v + 1.0);
    (void)axis;
    return peak * f / 1.15;
}

double fieldDerivative(const Grid& g, double x, double y, double z, double peak, int axis) {
    const double h = 1e-3;
    if (axis == 1) return (field(g, x, y + h, z, peak, axis) - field(g, x, y - h, z, peak, axis)) / (2 * h);
    return (field(g, x + h, y, z, peak, axis) - field(g, x - h, y, z, peak, axis)) / (2 * h);
}

std::vector<float> series(const Grid& g, double peak, int axis, int sign, float gain) {
    std::vector<float> out(g.size());
    for (int z = 0; z < g.nz; ++z)
        for (int y = 0; y < g.ny; ++y)
            for (int x = 0; x < g.nx; ++x) {
                const double f = field(g, x, y, z, peak, axis);
                const double j = 1.0 + sign * fieldDerivative(g, x, y, z, peak, axis);
                const double px = axis == 0 ? x + sign * f : x, py = axis == 1 ? y + sign * f : y;
                out[g.index(x, y, z)] = static_cast<float>(gain * anatomy(g, px, py, z) * std::max(0.0, j));
            }
    return out;
}

std::vector<float> trueDisplacement(const Grid& g, double peak, int axis) {
    std::vector<float> out(g.size());
    for (int z = 0; z < g.nz; ++z)
        for (int y = 0; y < g.ny; ++y)
            for (int x = 0; x < g.nx; ++x) {
                double d = 0.0;
                for (int it = 0; it < 100; ++it) {
                    const double px = axis == 0 ? x + d : x, py = axis == 1 ? y + d : y;
                    d = -field(g, px, py, z, peak, axis);
                }
                out[g.index(x, y, z)] = static_cast<float>(d);
            }
    return out;
}

std::vector<float> objectMask(const Grid& g) {
    std::vector<float> out(g.size());
    for (int z = 0; z < g.nz; ++z)
        for (int y = 0; y < g.ny; ++y)
            for (int x = 0; x < g.nx; ++x) out[g.index(x, y, z)] = insideObject(g, x, y, z) ? 1.0f : 0.0f;
    return out;
}

}  // namespace phantom
