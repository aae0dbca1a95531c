// The anatomical (VMR) space a converted run lives in: 1 mm voxels along
// the world axes nearest to the source image's, and the world position of
// its voxel (0, 0, 0). It comes from a T1-weighted image, or, without one,
// is the smallest space that holds the run.
#pragma once

#include "host/formats/convert_registry.h"
#include "host/formats/format_io.h"
#include "host/formats/nifti_image.h"
#include "host/formats/vmr_file.h"
#include "host/formats/world_placement.h"

#include <filesystem>

namespace talvora::formats {

struct AnatomySpace {
    Placement placement;
    VmrFile vmr;  // dimensions always; intensities when made from an image
};

// A T1-weighted image as a VMR: copied voxel for voxel when its voxels are
// 1 mm and axis-aligned, else resampled (trilinear) to the nearest such grid,
// saying so on the request's report. Whole-number intensities within 0..255
// are kept; other intensities are scaled linearly so that the minimum is 0
// and the 99.5th percentile 255 (brighter voxels 255).
AnatomySpace anatomyFromImage(const std::filesystem::path& image, const ConvertRequest& request);

// An empty VMR just holding a run's grid at resolution `resolution` (see
// functionalGridIn), its box starting at anatomical voxel 0.
AnatomySpace anatomyAroundRun(const NiftiHeader& run, int resolution);

// The box, in the space's anatomical voxels, of the functional grid with
// resolution `resolution` that covers the run's voxel centres (cut to the
// space; `cropped` says whether some of the run lies outside). Functional
// voxel centres fall on the run's own where the grids agree. Throws naming
// the run when it does not overlap the space.
FunctionalGrid functionalGridIn(const AnatomySpace& space, const NiftiHeader& run, int resolution,
                                bool* cropped = nullptr);

}  // namespace talvora::formats
