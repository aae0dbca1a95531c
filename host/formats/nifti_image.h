// NIfTI images through the reference library (nifti_clib): NIfTI-1 and
// NIfTI-2, ".nii" and ".nii.gz", either byte order,
// datatypes uint8, int16, int32, float32 and float64. Values come out as
// float32 after scl_slope/scl_inter; placement is the sform when its code is
// above 0, else the qform.
#pragma once

#include <Eigen/Core>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace talvora::formats {

using Affine = Eigen::Matrix4d;  // voxel (i, j, k, 1) -> world millimetres

struct NiftiHeader {
    std::filesystem::path path;
    int niftiVersion = 1;                // 1 or 2
    int dimensions = 3;                  // dim[0]
    std::array<std::int64_t, 4> size{};  // nx, ny, nz, nt (1 where absent)
    std::array<double, 3> voxelSize{};   // pixdim[1..3]
    Affine affine = Affine::Identity();
    std::string affineSource;  // "sform", "qform" or "pixdim" (neither code set)
    int xformCode = 0;         // the chosen transform's code (1 scanner, 2 aligned, ...)
    double timeStep = 0.0;     // pixdim[4] as stored
    int timeUnits = 0;         // NIFTI_UNITS_SEC, _MSEC, _USEC or 0 (unknown)
    int datatype = 0;
    double slope = 0.0, intercept = 0.0;  // slope 0 (or not finite): no scaling
    bool bigEndian = false;

    std::size_t voxelsPerVolume() const { return static_cast<std::size_t>(size[0] * size[1] * size[2]); }
    std::size_t volumes() const { return static_cast<std::size_t>(size[3]); }
    // pixdim[4] in milliseconds after xyzt_units (seconds when the unit is
    // unknown, as BIDS stores it); 0 when pixdim[4] is not positive.
    double timeStepMilliseconds() const;
};

// Reads the header and checks that the file holds every value it promises
// before anything is allocated for them by the header alone: a ".nii" by its
// size, a ".nii.gz" by decompressing it once into memory that grows with the
// bytes that arrive (up to what the header promises). Then hands out the
// values volume by volume, in file order (a ".nii" read from the file as it
// goes; a ".nii.gz" from its decompressed bytes, released after the last).
class NiftiReader {
public:
    explicit NiftiReader(const std::filesystem::path& path);
    ~NiftiReader();
    NiftiReader(const NiftiReader&) = delete;
    NiftiReader& operator=(const NiftiReader&) = delete;

    const NiftiHeader& header() const { return header_; }
    // The next volume's scaled values, x fastest, then y, then z; `out` is
    // resized to voxelsPerVolume(). Throws naming the file when it ends early.
    void readNextVolume(std::vector<float>& out);
    // The same into `out`, which holds voxelsPerVolume() values.
    void readNextVolume(float* out);

    // True when the whole run is in memory (a ".nii.gz" decompressed in one
    // piece) and no volume has been handed out: its values can then be
    // taken voxel by voxel instead.
    bool holdsAllVolumes() const;
    // The time courses of voxels [first, first + count) of a run held in
    // memory, scaled as readNextVolume scales them: out[(v - first) *
    // volumes() + t].
    void readVoxelCourses(std::size_t first, std::size_t count, float* out) const;

private:
    struct Stream;
    NiftiHeader header_;
    std::unique_ptr<Stream> stream_;
    std::size_t nextVolume_ = 0;
};

// The header alone, with the same checks of datatype and geometry as
// NiftiReader, without reading (or, for ".nii.gz", decompressing) the
// values: for callers that need only the grid. Whether the file holds every
// value is checked when the values are read.
NiftiHeader readNiftiHeader(const std::filesystem::path& path);

// A whole image: every volume one after another (x fastest, then y, z, t).
struct NiftiImage {
    NiftiHeader header;
    std::vector<float> values;
};
NiftiImage readNiftiImage(const std::filesystem::path& path);

// What to write: size (nt 1 for a 3-D image), placement, and the TR of a
// 4-D image. The datatype is float32 unless uint8 is asked for (values are
// then rounded and clamped to 0..255).
struct NiftiOutput {
    std::array<std::int64_t, 4> size{1, 1, 1, 1};
    Affine affine = Affine::Identity();
    int xformCode = 1;  // NIFTI_XFORM_SCANNER_ANAT unless the source said otherwise
    double trSeconds = 0.0;
    bool asUint8 = false;
    std::string description;
};

// Writes the image whole or not at all (a temporary file beside the target,
// renamed into place when complete); ".nii.gz" is compressed. `values` holds
// size[0]*size[1]*size[2]*size[3] values, x fastest, then y, z, t.
void writeNiftiImage(const std::filesystem::path& path, const NiftiOutput& output,
                     const std::vector<float>& values);

// True for names ending in ".nii", ".nii.gz" (any case).
bool isNiftiName(const std::filesystem::path& path);

}  // namespace talvora::formats
