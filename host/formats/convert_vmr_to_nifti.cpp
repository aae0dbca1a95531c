// ANAT.vmr -> OUT.nii[.gz]: the anatomy's bytes as a 3-D uint8 image, placed
// by the VMR's sidecar (or that of --like).
#include "host/formats/convert_registry.h"
#include "host/formats/nifti_image.h"
#include "host/formats/vmr_file.h"
#include "host/formats/world_placement.h"

namespace talvora::formats {

void convertVmrToNifti(const ConvertRequest& r) {
    const VmrFile vmr = readVmrFile(r.input);
    const Placement placement = findPlacement(r.input, r.option("--like").value_or(""));
    NiftiOutput out;
    out.size = {vmr.dimX, vmr.dimY, vmr.dimZ, 1};
    out.affine = placement.anatomicalToWorld;
    out.xformCode = placement.xformCode;
    out.asUint8 = true;
    out.description = "talvora anatomy";
    std::vector<float> values(vmr.voxelCount(), 0.0f);
    if (!vmr.voxels.empty()) std::copy(vmr.voxels.begin(), vmr.voxels.end(), values.begin());
    if (vmr.voxels.empty()) r.say(r.input.string() + ": holds no intensities; the image is all zeros");
    writeNiftiImage(r.output, out, values);
    r.say("wrote " + r.output.string() + " (" + std::to_string(vmr.dimX) + " x " + std::to_string(vmr.dimY) +
          " x " + std::to_string(vmr.dimZ) + ", uint8)");
}

}  // namespace talvora::formats
