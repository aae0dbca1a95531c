#pragma once
// The numbers of the connectivity analysis on plain data: the atlas label
// at the centre of every run voxel, the mean time course of each region,
// the volumes that belong to a condition, and the Pearson correlation
// matrix of the regions over those volumes. No files, no host.

#include <Eigen/Core>

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace bids::analyses::connectivity {

// Volumes are taken from the haemodynamic response to an event rather than
// from the stimulus itself: every event is shifted by this delay.
constexpr double kHaemodynamicDelaySeconds = 5.0;
// Fewer volumes give correlations of +-1 (two) or none at all (one).
constexpr std::size_t kMinimumVolumes = 3;

// One event of a condition, in seconds from the start of the run's first
// volume; end == start for an instant.
struct Event {
    double start = 0.0;
    double end = 0.0;
};

// A voxel grid: its size and its voxel-to-world affine (millimetres).
struct Grid {
    std::array<std::int64_t, 3> size{};
    Eigen::Matrix4d affine = Eigen::Matrix4d::Identity();
};

// The label of the atlas voxel nearest to the centre of every voxel of
// `run` (x fastest, then y, then z); 0 where the centre lies outside the
// atlas. `atlasLabels` holds one label per atlas voxel in the same order.
std::vector<long long> labelsAtVoxelCentres(const std::vector<long long>& atlasLabels, const Grid& atlas,
                                            const Grid& run);

// The volumes (0-based, ascending, each once) of a run of `volumes` volumes
// whose acquisition [t TR, (t + 1) TR) overlaps an event shifted by `delay`
// seconds; an instant takes the volume it falls in.
std::vector<std::size_t> conditionVolumes(const std::vector<Event>& events, double trSeconds,
                                          std::size_t volumes, double delaySeconds);

// A value that is not finite in the voxels of a region.
class NonFiniteValue : public std::runtime_error {
public:
    NonFiniteValue(std::size_t region, std::size_t voxel)
        : std::runtime_error("non-finite value"), region(region), voxel(voxel) {}
    std::size_t region, voxel;
};

// The mean of one volume's values over each region's voxels (indices into
// `volume`). Throws NonFiniteValue for the first non-finite value met.
Eigen::VectorXd regionMeans(const std::vector<float>& volume,
                            const std::vector<std::vector<std::size_t>>& regionVoxels);

// The rows `volumes` of a run's region time courses (volumes x regions),
// each column less its mean over those rows, so that runs with different
// baselines can be joined.
Eigen::MatrixXd centredRows(const Eigen::MatrixXd& series, const std::vector<std::size_t>& volumes);

// The rows of every block one after another (all with the same columns).
Eigen::MatrixXd stackRows(const std::vector<Eigen::MatrixXd>& blocks);

// A region whose samples do not vary: its correlation is undefined.
class ConstantRegion : public std::runtime_error {
public:
    explicit ConstantRegion(std::size_t region)
        : std::runtime_error("constant time course"), region(region) {}
    std::size_t region;
};

// The first column (region) whose samples all equal each other, or -1.
std::ptrdiff_t firstConstantColumn(const Eigen::MatrixXd& samples);

// The Pearson correlation of every two columns of `samples` (one row per
// sample), 1 on the diagonal. Throws ConstantRegion for a column that does
// not vary and std::invalid_argument for fewer than two rows.
Eigen::MatrixXd pearsonMatrix(const Eigen::MatrixXd& samples);

}  // namespace bids::analyses::connectivity
