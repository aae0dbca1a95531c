// Every conversion of `talvora convert` and every option they take, one line
// each. A conversion's function lives in a file of its own.
#include "host/formats/convert_registry.h"

namespace talvora::formats {

void convertVmrToNifti(const ConvertRequest&);
void convertVtcToNifti(const ConvertRequest&);
void convertMapsToNifti(const ConvertRequest&);
void convertNiftiToVtc(const ConvertRequest&);
void convertNiftiToVmr(const ConvertRequest&);

const std::vector<Conversion>& conversions() {
    static const std::vector<Conversion> table = {
        {"nii", "vtc", convertNiftiToVtc, "--res --anatomy", "BOLD run to a VTC and, beside it, its VMR"},
        {"nii", "vmr", convertNiftiToVmr, "", "T1-weighted image to a VMR"},
        {"vtc", "nii", convertVtcToNifti, "--like", "run to a 4-D float32 image with its TR"},
        {"vmr", "nii", convertVmrToNifti, "--like", "anatomy to a 3-D uint8 image"},
        {"blm", "nii", convertMapsToNifti, "--like", "maps to one float32 volume each, names in OUT.json"},
        {"vmp", "nii", convertMapsToNifti, "--like", "maps to one float32 volume each, names in OUT.json"},
        {"gcm", "nii", convertMapsToNifti, "--like", "maps to one float32 volume each, names in OUT.json"},
    };
    return table;
}

const std::vector<ConvertOptionSpec>& convertOptions() {
    static const std::vector<ConvertOptionSpec> table = {
        {"--res", false, "VTC resolution in anatomical voxels (1, 2 or 3)"},
        {"--anatomy", false, "T1-weighted image that becomes the run's VMR"},
        {"--like", false, "converted VTC or VMR whose world placement applies"},
    };
    return table;
}

}  // namespace talvora::formats
