// RUN.vtc -> OUT.nii[.gz]: the run as a 4-D float32 image with its TR,
// placed by the VTC's sidecar (or that of --like).
#include "host/formats/convert_registry.h"
#include "host/formats/nifti_image.h"
#include "host/formats/vtc_file.h"
#include "host/formats/world_placement.h"

namespace talvora::formats {

void convertVtcToNifti(const ConvertRequest& r) {
    const VtcHeader header = readVtcHeader(r.input);
    const Placement placement = findPlacement(r.input, r.option("--like").value_or(""));
    const VtcFile vtc = readVtcFile(r.input);
    const FunctionalGrid& grid = vtc.header.grid;
    const std::size_t voxels = grid.voxelCount(), volumes = std::size_t(vtc.header.nrOfVolumes);
    // Voxel-major (each time course together) to volume-major.
    std::vector<float> values(voxels * volumes);
    for (std::size_t v = 0; v < voxels; ++v)
        for (std::size_t t = 0; t < volumes; ++t)
            values[t * voxels + v] = vtc.header.floatData() ? vtc.floatValues[v * volumes + t]
                                                            : float(vtc.intValues[v * volumes + t]);
    NiftiOutput out;
    out.size = {grid.dimX(), grid.dimY(), grid.dimZ(), std::int64_t(volumes)};
    out.affine = functionalToWorld(placement.anatomicalToWorld, grid);
    out.xformCode = placement.xformCode;
    out.trSeconds = header.tr / 1000.0;
    out.description = "talvora run";
    writeNiftiImage(r.output, out, values);
    r.say("wrote " + r.output.string() + " (" + std::to_string(grid.dimX()) + " x " +
          std::to_string(grid.dimY()) + " x " + std::to_string(grid.dimZ()) + " x " +
          std::to_string(volumes) + ", TR " + formatFloat(header.tr) + " ms)");
}

}  // namespace talvora::formats
