// Undistorting a project volume by volume. A project whose data are not in
// memory is streamed: each volume is read from the data file straight into
// the resampler, and the result goes, already in the stored sample type,
// into one buffer laid out as the output file. So the data are held once,
// in their own type (16-bit data are not widened to floats), beside one
// volume's spline coefficients.
#include "distortion/io/undistort_project.h"

#include "distortion/core/errors.h"
#include "distortion/core/nonfinite.h"
#include "distortion/core/vdm.h"
#include "distortion/io/file_names.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

namespace distortion::io {

using namespace core;

std::string nonFiniteReport(const std::string& path, std::size_t volume, std::size_t count) {
    return "Warning: " + path + ", volume " + std::to_string(volume) + ": " + std::to_string(count) +
           (count == 1 ? " value is not a finite number" : " values are not finite numbers") +
           " (kept as NaN, counted as 0 when resampling their neighbours)";
}

namespace {

void clearAnatomicalReference(Project& p) {
    HeaderEntry& amr = p.entry("LoadAMRFile");
    if (amr.present) amr.text.clear();
    HeaderEntry& show = p.entry("ShowAMRFile");
    if (show.present) show.boolValue = false;
}

// Reads volume t into the resampler's storage, exchanging x and y when
// asked (the map is then in the exchanged orientation). Values that are not
// finite numbers enter as 0 and are marked in `bad` (in the exchanged
// orientation); returns how many there were.
std::size_t prepareVolume(std::ifstream& in, const DataLayout& l, std::size_t t, bool transpose,
                          CubicResampler& r, std::vector<char>& planeBytes, std::vector<float>& plane,
                          std::vector<bool>& bad) {
    const int nx = static_cast<int>(l.nx), ny = static_cast<int>(l.ny), nz = static_cast<int>(l.nz);
    const Dimensions d = transpose ? Dimensions{ny, nx, nz} : Dimensions{nx, ny, nz};
    double* c = r.storage(d);
    std::size_t nonFinite = 0;
    planeBytes.resize(l.planeBytes());
    plane.resize(l.planeValues());
    for (int z = 0; z < nz; ++z) {
        in.seekg(static_cast<std::streamoff>(l.planeOffset(t, static_cast<std::size_t>(z))));
        if (!in.read(planeBytes.data(), static_cast<std::streamsize>(planeBytes.size())))
            throw ReadFileError("error reading from binary file");
        samplesToFloats(planeBytes.data(), l.floats, plane.size(), plane.data());
        double* slice = c + static_cast<std::size_t>(z) * l.planeValues();
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const float v = plane[static_cast<std::size_t>(y) * nx + x];
                const std::size_t at =
                    transpose ? static_cast<std::size_t>(x) * ny + y : static_cast<std::size_t>(y) * nx + x;
                if (std::isfinite(v)) {
                    slice[at] = v;
                    continue;
                }
                // One such value would spread through the whole prefiltered volume.
                slice[at] = 0.0;
                if (nonFinite++ == 0) bad.assign(l.nx * l.ny * l.nz, false);
                bad[static_cast<std::size_t>(z) * l.planeValues() + at] = true;
            }
    }
    r.prefilter();
    return nonFinite;
}

// NaN at every output voxel whose sample lies next to a non-finite source
// value (float data only: 16-bit data hold none).
void markNearNonFinite(const std::vector<bool>& bad, const Volume& map, const DataLayout& l, std::size_t t,
                       bool transpose, std::vector<char>& out) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::size_t rows = transpose ? l.nx : l.ny, length = transpose ? l.ny : l.nx;
    for (std::size_t i : outputsNearNonFinite(bad, map, false)) {
        const std::size_t z = i / (rows * length), j = (i / length) % rows, k = i % length;
        const std::size_t at = transpose ? k * l.nx + j : j * l.nx + k;
        std::memcpy(out.data() + l.planeOffset(t, z) + 4 * at, &nan, 4);
    }
}

// Resamples volume t and stores it in the output buffer, in the file's
// sample type and order.
void storeVolume(const CubicResampler& r, const Volume& map, const DataLayout& l, std::size_t t,
                 bool transpose, std::vector<float>& row, std::vector<char>& out) {
    const int nx = static_cast<int>(l.nx), ny = static_cast<int>(l.ny), nz = static_cast<int>(l.nz);
    const int rows = transpose ? nx : ny, length = transpose ? ny : nx;
    row.resize(static_cast<std::size_t>(length));
    for (int z = 0; z < nz; ++z) {
        char* planeOut = out.data() + l.planeOffset(t, static_cast<std::size_t>(z));
        for (int j = 0; j < rows; ++j) {
            r.resampleRow(map, false, j, z, row.data());
            for (int k = 0; k < length; ++k) {
                // Row j of the exchanged volume is column x = j of the project.
                const std::size_t at =
                    transpose ? static_cast<std::size_t>(k) * nx + j : static_cast<std::size_t>(j) * nx + k;
                const float v = row[static_cast<std::size_t>(k)];
                if (l.floats) {
                    std::memcpy(planeOut + 4 * at, &v, 4);
                } else {
                    const std::int16_t s = toStoredInt16(v);
                    std::memcpy(planeOut + 2 * at, &s, 2);
                }
            }
        }
    }
}

void undistortStreamed(Project& p, const Volume& map, bool transpose, std::ostream* log) {
    std::ifstream in;
    const DataLayout l = openProjectData(p, in);
    const int nx = static_cast<int>(l.nx), ny = static_cast<int>(l.ny), nz = static_cast<int>(l.nz);
    checkMapFits(map, transpose ? Dimensions{ny, nx, nz} : Dimensions{nx, ny, nz});
    std::vector<char> out(l.totalBytes());
    CubicResampler r;
    std::vector<char> planeBytes;
    std::vector<float> plane, row;
    std::vector<bool> bad;
    for (std::size_t t = 0; t < l.nt; ++t) {
        const std::size_t nonFinite = prepareVolume(in, l, t, transpose, r, planeBytes, plane, bad);
        storeVolume(r, map, l, t, transpose, row, out);
        if (nonFinite == 0) continue;
        if (log) *log << nonFiniteReport(p.path, t, nonFinite) << std::endl;
        markNearNonFinite(bad, map, l, t, transpose, out);
    }
    in.close();
    writeProject(p, undistortedFileName(p.path), out);
}

}  // namespace

void undistortProject(Project& p, const Volume& map, bool transpose, std::ostream* log) {
    clearAnatomicalReference(p);
    if (!p.dataRead) {
        undistortStreamed(p, map, transpose, log);
        return;
    }
    for (std::size_t t = 0; t < p.volumes.size(); ++t) {
        Volume& v = p.volumes[t];
        const std::size_t bad = countNonFinite(v);
        if (bad > 0 && log) *log << nonFiniteReport(p.path, t, bad) << std::endl;
        if (!transpose)
            v = undistortCubicKeepingNonFiniteLocal(v, map, false);
        else
            v = undistortCubicKeepingNonFiniteLocal(v.exchangedXY(), map, false).exchangedXY();
    }
    writeProject(p, undistortedFileName(p.path));
}

}  // namespace distortion::io
