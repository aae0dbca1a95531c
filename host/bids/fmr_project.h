// Functional (".fmr" + ".stc") and diffusion (".dmr" + ".dwi") projects as
// `talvora convert` writes and reads them: float32 series, FMR data slice by
// slice (every volume's plane z before plane z + 1), DMR data volume by
// volume, the header keys the distortion plug-in reads.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <vector>

namespace talvora::bids {

struct ProjectSeries {
    bool diffusion = false;                    // DMR instead of FMR
    int nx = 0, ny = 0, nz = 0, nt = 0;        // columns, rows, slices, volumes
    std::array<double, 3> voxelSize{1, 1, 1};  // in-plane x, y and slice thickness, mm
    double trMs = 0.0;
    std::vector<std::array<float, 4>> gradients;  // DMR: x y z b per volume
    std::vector<float> values;  // nx*ny*nz*nt, x fastest, then y, z, t (volume after volume)

    std::size_t volumeValues() const {
        return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) * static_cast<std::size_t>(nz);
    }
};

// Writes the header and its data file ("<name>.stc" / "<name>.dwi" beside
// it); each appears whole, and when either cannot be written neither stays.
void writeProjectSeries(const std::filesystem::path& project, const ProjectSeries& series);

// Reads a project's sizes and data (16-bit or float samples, FMR slice by
// slice, DMR volume by volume) as float32 volume after volume. The data
// file's length is checked against the header before anything is allocated.
// Throws std::runtime_error naming the file.
ProjectSeries readProjectSeries(const std::filesystem::path& project);

}  // namespace talvora::bids
