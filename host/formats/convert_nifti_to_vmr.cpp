// T1w.nii[.gz] -> ANAT.vmr with its placement sidecar.
#include "host/formats/anatomy_space.h"
#include "host/formats/convert_registry.h"
#include "host/formats/output_set.h"

namespace talvora::formats {

void convertNiftiToVmr(const ConvertRequest& r) {
    const AnatomySpace space = anatomyFromImage(r.input, r);
    OutputSet outputs;
    outputs.add(r.output, [&] { writeVmrFile(r.output, space.vmr); });
    outputs.add(placementSidecarPath(r.output), [&] { writePlacementSidecar(r.output, space.placement); });
    outputs.keep();
    r.say("wrote " + r.output.string() + " (" + std::to_string(space.vmr.dimX) + " x " +
          std::to_string(space.vmr.dimY) + " x " + std::to_string(space.vmr.dimZ) +
          ") and its placement sidecar");
}

}  // namespace talvora::formats
