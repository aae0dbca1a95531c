// Writes the inputs of the conversion benchmark into a folder: a float32
// BOLD run of 96 x 96 x 60 voxels (3 mm) and 300 volumes as run.nii, and a
// set of 8 maps on the same grid as maps.vmp, placed by its sidecar. The
// conversions themselves are timed as users run them:
//   /usr/bin/time -v build/talvora convert DIR/run.nii DIR/run.vtc --res 3
//   /usr/bin/time -v build/talvora convert DIR/maps.vmp DIR/maps.nii.gz
// With "oblique" after DIR it writes instead DIR/run_oblique.nii, the same
// run with 2.5 x 2.5 x 3 mm voxels tilted by 8 degrees, which the
// conversion resamples (trilinear) to 3 mm.
#include "host/formats/map_file.h"
#include "host/formats/nifti_image.h"
#include "host/formats/world_placement.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>

namespace tf = talvora::formats;

int main(int argc, char** argv) {
    const bool oblique = argc == 3 && std::string(argv[2]) == "oblique";
    if (argc != 2 && !oblique) {
        std::cerr << "usage: make_convert_inputs DIR [oblique]\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const int nx = 96, ny = 96, nz = 60, nt = 300;
    tf::NiftiOutput run;
    run.size = {nx, ny, nz, nt};
    run.affine.setIdentity();
    run.affine.block<3, 3>(0, 0) *= 3.0;
    run.affine.block<3, 1>(0, 3) = Eigen::Vector3d(-142.5, -160.0, -70.0);
    run.trSeconds = 2.0;
    if (oblique) {
        const double tilt = 8.0 * M_PI / 180.0;
        Eigen::Matrix3d turn;
        turn << 1, 0, 0, 0, std::cos(tilt), -std::sin(tilt), 0, std::sin(tilt), std::cos(tilt);
        run.affine.block<3, 3>(0, 0) = turn * Eigen::Vector3d(2.5, 2.5, 3.0).asDiagonal();
    }
    std::vector<float> values(std::size_t(nx) * ny * nz * nt);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = 1000.0f + float(i % 977) * 0.25f;
    tf::writeNiftiImage(dir / (oblique ? "run_oblique.nii" : "run.nii"), run, values);
    if (oblique) return 0;
    values.clear();
    values.shrink_to_fit();

    tf::MapSetFile set;
    set.grid.resolution = 3;
    set.grid.xEnd = 3 * nx, set.grid.yEnd = 3 * ny, set.grid.zEnd = 3 * nz;
    for (int m = 0; m < 8; ++m) {
        tf::MapDefinition map;
        map.name = "map " + std::to_string(m);
        map.values.resize(set.grid.voxelCount());
        for (std::size_t v = 0; v < map.values.size(); ++v) map.values[v] = std::sin(float(v + m));
        set.maps.push_back(std::move(map));
    }
    tf::writeMapSetFile(dir / "maps.vmp", set);
    tf::Placement placement;
    placement.anatomicalToWorld.block<3, 1>(0, 3) = Eigen::Vector3d(-143.5, -161.0, -71.0);
    tf::writePlacementSidecar(dir / "maps.vmp", placement, set.grid);
    std::cout << "wrote " << (dir / "run.nii").string() << " and " << (dir / "maps.vmp").string() << '\n';
    return 0;
}
