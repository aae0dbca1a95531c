// The two commands that do the work: estimating the displacement maps from
// a pair of projects, and applying a stored map to further projects.
#include "distortion/core/errors.h"
#include "distortion/core/nonfinite.h"
#include "distortion/core/vdm.h"
#include "distortion/core/vdmestimate.h"
#include "distortion/io/file_names.h"
#include "distortion/io/map_file.h"
#include "distortion/io/project_files.h"
#include "distortion/io/undistort_project.h"
#include "distortion/plugin/mirel_commands.h"
#include "distortion/plugin/mirel_host.h"
#include "frame/plugin_hosts.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace distortion::plugin {

using namespace core;
using namespace io;
namespace {

Project readAny(const std::string& path) {
    return isFMR(path) ? readFMR(path, true) : readDMR(path, true);
}

// Hands a map to the host's current FMR document and has it saved.
void saveMap(const Volume& map, bool transpose, float lower, float upper, const std::string& fileName) {
    const Volume m = transpose ? map.exchangedXY() : map;
    host.required<F::hxCreateMAPForCurrentFMR>()();
    tl::FMRMapRecord record{};
    float** slices = host.required<F::hxGetMAPOfCurrentFMR>()(&record);
    MIREL_ASSERT(slices != nullptr);
    const struct { int x, y, z; } dim{m.nx(), m.ny(), m.nz()};
    const struct { int DimX, DimY, DimZ; } header{record.dimX, record.dimY, record.dimZ};
    MIREL_ASSERT(dim.z == header.DimZ);
    MIREL_ASSERT(dim.y == header.DimY);
    MIREL_ASSERT(dim.x == header.DimX);
    const std::size_t plane = static_cast<std::size_t>(dim.x) * dim.y;
    for (int z = 0; z < dim.z; ++z)
        for (std::size_t i = 0; i < plane; ++i)
            slices[z][i] = m.data()[static_cast<std::size_t>(z) * plane + i];
    record.flag0C = 1;
    record.lowerThreshold = lower;
    record.upperThreshold = upper;
    record.flag1C = 0;
    host.required<F::hxSetMAPParametersOfCurrentFMR>()(&record);
    if (!host.required<F::hxSaveMAPsOfCurrentFMR>()(fileName.c_str()))
        throw WriteFileError("could not save the map file " + fileName);
}

// A map with a value that is not a finite number would be a wrong result
// handed on as a good one: it is neither saved nor applied.
void requireFinite(const Volume& map, const std::string& what) {
    const std::size_t bad = countNonFinite(map);
    if (bad == 1) throw std::runtime_error(what + " holds 1 value that is not a finite number");
    if (bad > 1)
        throw std::runtime_error(what + " holds " + std::to_string(bad) +
                                 " values that are not finite numbers");
}

// Both inputs' maps are saved under names derived from their paths; one
// name for both would leave only the second (negated) map.
void requireDistinctMaps(const std::string& file0, const std::string& file1) {
    namespace fs = std::filesystem;
    const std::string map0 = vdmFileName(file0), map1 = vdmFileName(file1);
    if (fs::absolute(map0).lexically_normal() == fs::absolute(map1).lexically_normal())
        throw std::runtime_error(
            "file0 and file1 must be two different projects: both maps would be saved as " + map0);
}

float positiveSize(float v, const char* what, const std::string& path) {
    if (!(v > 0.0f) || !std::isfinite(v))
        throw std::runtime_error(path + ": the voxel size " + what + " must be a positive number");
    return v;
}

}  // namespace

void estimate(std::ostream& log, const FftApi& fft) {
    const std::string file0 = stringParameter("file0");
    const std::string file1 = stringParameter("file1");
    const int volume0 = intParameter("volume0");
    const int volume1 = intParameter("volume1");
    const bool rllr = boolParameter("rllr");
    const bool useIc = boolParameter("use_ic");
    const bool useSsd = boolParameter("use_ssd");
    const bool applyToInput = boolParameter("apply_to_input");
    const bool saveDerivative = boolParameter("save_derivative");
    const int order = intParameter("order");

    requireDistinctMaps(file0, file1);
    Project projects[2] = {readAny(file0), readAny(file1)};
    if (projects[0].volumes.front().dimensions() != projects[1].volumes.front().dimensions())
        throw std::runtime_error("All datasets must have the same dimensions!");
    const int index[2] = {volume0, volume1};
    const std::string paths[2] = {file0, file1};
    for (int k = 0; k < 2; ++k) {
        const int count = static_cast<int>(projects[k].volumes.size());
        // A negative index is as much out of range as one past the end.
        if (index[k] >= count || index[k] < 0)
            throw std::runtime_error("Cannot use volume " + std::to_string(index[k]) + " of file " +
                                     paths[k] + ", which has only " + std::to_string(count) + " volumes.");
    }
    Volume vol_ap = projects[0].volumes[static_cast<std::size_t>(volume0)];
    Volume vol_pa = projects[1].volumes[static_cast<std::size_t>(volume1)];
    if (rllr) {
        vol_ap = vol_ap.exchangedXY();
        vol_pa = vol_pa.exchangedXY();
    }
    const Project& first = projects[0];
    std::array<double, 3> voxel = {
        static_cast<double>(positiveSize(first.floatOf("InplaneResolutionX"), "x", file0)),
        static_cast<double>(positiveSize(first.floatOf("InplaneResolutionY"), "y", file0)),
        static_cast<double>(
            positiveSize(first.floatOf("SliceThickness") + first.floatOf("SliceGap"), "z", file0))};
    if (rllr) std::swap(voxel[0], voxel[1]);
    for (int k = 0; k < 2; ++k) {
        const std::size_t bad = countNonFinite(k == 0 ? vol_ap : vol_pa);
        if (bad > 0) log << nonFiniteReport(paths[k], static_cast<std::size_t>(index[k]), bad) << std::endl;
    }

    log << "Estimating voxel displacement maps..." << std::endl;
    const EstimationSchedule schedule = pluginSchedule(voxel);
    const Volume map0 =
        estimateVdm(fft, vol_ap, vol_pa, {0.5, 4.0 / voxel[1], 0.5}, useSsd, schedule, useIc, log, order);
    if (map0.size() > 0 && std::lround(map0[0]) == -99) {
        log << "Done." << std::endl;
        return;
    }
    requireFinite(map0, "The estimated displacement map");
    const Volume map1 = -map0;
    log << "Saving voxel displacement maps to .map files..." << std::endl;
    saveMap(map0, rllr, 1.0f, 5.0f, vdmFileName(file0));
    saveMap(map1, rllr, 1.0f, 5.0f, vdmFileName(file1));
    if (saveDerivative) {
        const Volume d0 = yDerivative(map0);
        saveMap(d0, rllr, 0.1f, 1.0f, vdmDerivativeFileName(file0));
        saveMap(-d0, rllr, 0.1f, 1.0f, vdmDerivativeFileName(file1));
    }
    if (applyToInput) {
        log << "Applying voxel displacement maps..." << std::endl;
        undistortProject(projects[0], map0, rllr, &log);
        undistortProject(projects[1], map1, rllr, &log);
    }
    host.required<F::hxSetStringParameter>()("vdm", vdmFileName(file0).c_str());
    log << "Done." << std::endl;
}

void apply(std::ostream& log) {
    const bool rllr = boolParameter("rllr");
    const std::string vdmPath = stringParameter("vdm");
    const std::vector<std::string> files = splitLines(stringParameter("files"));
    log << "Loading VDM..." << std::endl;
    // Kept in the projects' orientation, so that comparing and resizing see
    // the same axes as the projects; transposed only for the resampling.
    const Volume fileMap = readMapFile(vdmPath);
    requireFinite(fileMap, "The map " + vdmPath);
    log << "Applying VDM..." << std::endl;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& path = files[i];
        const bool fmr = isFMR(path);
        if (!fmr && !isDMR(path)) continue;
        // The data are streamed by the undistortion; their file is checked
        // here, before any question.
        Project p = fmr ? readFMR(path, false) : readDMR(path, false);
        std::ifstream data;
        const DataLayout layout = openProjectData(p, data);
        data.close();
        const Dimensions dims{static_cast<int>(layout.nx), static_cast<int>(layout.ny),
                              static_cast<int>(layout.nz)};
        Volume map;
        if (dims == fileMap.dimensions()) {
            // The first path of the list, FMR or DMR alike.
            auto load = host.optional<F::hxLoadMAPsToCurrentFMR>();
            if (i == 0 && load) load(vdmPath.c_str());
            map = fileMap;
        } else {
            const char* question =
                fmr ? "Dimensions of the datasets don't match!\nDo you want to resize the VDM to the FMR dimensions?\n\n"
                      "(they need to have the same field of view)"
                    : "Dimensions of the datasets don't match!\nDo you want to resize the VDM to the DMR dimensions?\n\n"
                      "(they need to have the same field of view)";
            if (!host.required<F::hxYesNoMessageBox>()(question))
                throw std::runtime_error("All datasets must have the same dimensions!");
            map = resizeMap(dims, fileMap);
        }
        undistortProject(p, rllr ? map.exchangedXY() : map, rllr, &log);
        log << "Undistorted data saved as: " << undistortedFileName(path) << std::endl;
    }
}

}  // namespace distortion::plugin
