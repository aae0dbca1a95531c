#include "tools/make_bids_study/world_atlas.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <Eigen/Dense>

namespace bids_study {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

struct Box {
    Eigen::Vector3d low = Eigen::Vector3d::Constant(std::numeric_limits<double>::max());
    Eigen::Vector3d high = Eigen::Vector3d::Constant(std::numeric_limits<double>::lowest());
};

// The world extent of a grid: its voxels' outer faces.
void extend(Box& box, const GridLabels& grid) {
    for (int corner = 0; corner < 8; ++corner) {
        Eigen::Vector4d voxel(corner & 1 ? grid.dims[0] - 0.5 : -0.5, corner & 2 ? grid.dims[1] - 0.5 : -0.5,
                              corner & 4 ? grid.dims[2] - 0.5 : -0.5, 1.0);
        const Eigen::Vector3d world = (grid.placement.vtcVoxelToWorld * voxel).head<3>();
        box.low = box.low.cwiseMin(world);
        box.high = box.high.cwiseMax(world);
    }
}

// The label of the run voxel holding world point `world`; 0 outside the grid.
int labelAt(const GridLabels& grid, const Eigen::Matrix4d& worldToVoxel, const Eigen::Vector3d& world) {
    const Eigen::Vector4d voxel = worldToVoxel * world.homogeneous();
    std::array<int, 3> index{};
    for (int a = 0; a < 3; ++a) {
        index[static_cast<std::size_t>(a)] = static_cast<int>(std::floor(voxel[a] + 0.5));
        if (index[static_cast<std::size_t>(a)] < 0 ||
            index[static_cast<std::size_t>(a)] >= grid.dims[static_cast<std::size_t>(a)])
            return 0;
    }
    return grid
        .labels[(static_cast<std::size_t>(index[2]) * grid.dims[1] + index[1]) * grid.dims[0] + index[0]];
}

}  // namespace

void writeWorldAtlas(const std::vector<GridLabels>& grids, const fs::path& image,
                     const std::string& description) {
    Box box;
    for (const GridLabels& grid : grids) extend(box, grid);
    std::vector<Eigen::Matrix4d> worldToVoxel;
    for (const GridLabels& grid : grids) worldToVoxel.push_back(grid.placement.vtcVoxelToWorld.inverse());
    const Eigen::Vector3d first = (box.low.array() - 0.75).floor() + 0.25;
    std::array<std::int64_t, 3> size{};
    for (int a = 0; a < 3; ++a)
        size[static_cast<std::size_t>(a)] = static_cast<std::int64_t>(std::ceil(box.high[a] - first[a])) + 1;
    std::vector<float> labels(static_cast<std::size_t>(size[0] * size[1] * size[2]), 0.0f);
    std::size_t next = 0;
    for (std::int64_t k = 0; k < size[2]; ++k)
        for (std::int64_t j = 0; j < size[1]; ++j)
            for (std::int64_t i = 0; i < size[0]; ++i, ++next) {
                const Eigen::Vector3d world = first + Eigen::Vector3d(double(i), double(j), double(k));
                int label = 0;
                for (std::size_t g = 0; g < grids.size(); ++g) {
                    const int here = labelAt(grids[g], worldToVoxel[g], world);
                    if (here != 0 && label != 0 && here != label)
                        throw std::runtime_error(image.string() + ": labels " + std::to_string(label) +
                                                 " and " + std::to_string(here) + " overlap in world space");
                    if (here != 0) label = here;
                }
                labels[next] = static_cast<float>(label);
            }
    fmt::NiftiOutput out;
    out.size = {size[0], size[1], size[2], 1};
    out.affine.topRightCorner<3, 1>() = first;
    out.asUint8 = true;
    out.description = description;
    fmt::writeNiftiImage(image, out, labels);
}

std::vector<int> atlasLabelsAtVoxelCentres(const fmt::NiftiImage& atlas, const fmt::NiftiHeader& grid) {
    const fmt::Affine toAtlas = atlas.header.affine.inverse() * grid.affine;
    std::vector<int> labels;
    for (std::int64_t k = 0; k < grid.size[2]; ++k)
        for (std::int64_t j = 0; j < grid.size[1]; ++j)
            for (std::int64_t i = 0; i < grid.size[0]; ++i) {
                const Eigen::Vector4d p = toAtlas * Eigen::Vector4d(double(i), double(j), double(k), 1.0);
                std::int64_t index = 0, stride = 1;
                bool inside = true;
                for (int a = 0; a < 3; ++a) {
                    const auto c = static_cast<std::int64_t>(std::floor(p[a] + 0.5));
                    inside = inside && c >= 0 && c < atlas.header.size[static_cast<std::size_t>(a)];
                    index += c * stride;
                    stride *= atlas.header.size[static_cast<std::size_t>(a)];
                }
                labels.push_back(inside ? static_cast<int>(atlas.values[static_cast<std::size_t>(index)])
                                        : 0);
            }
    return labels;
}

}  // namespace bids_study
