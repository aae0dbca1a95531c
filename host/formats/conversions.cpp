// Every conversion of `talvora convert` and every option they take, one line
// each. A conversion's function lives in a file of its own.
#include "host/formats/convert_registry.h"

namespace talvora::bids {
void convertEventsTable(const formats::ConvertRequest&);
void convertAtlasToVoi(const formats::ConvertRequest&);
void convertEpiToFmr(const formats::ConvertRequest&);
void convertEpiToDmr(const formats::ConvertRequest&);
void convertDisplacementMapToNifti(const formats::ConvertRequest&);
void convertProjectToNifti(const formats::ConvertRequest&);
}  // namespace talvora::bids

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
        {"tsv", "prt", bids::convertEventsTable, "--tr --unit", "BIDS events to a protocol"},
        {"nii", "voi", bids::convertAtlasToVoi, "--labels --like", "atlas label image to one VOI per label"},
        {"nii", "fmr", bids::convertEpiToFmr, "--pair", "EPI series to a functional project"},
        {"nii", "dmr", bids::convertEpiToDmr, "--pair --bvec --bval", "EPI series to a diffusion project"},
        {"map", "nii", bids::convertDisplacementMapToNifti, "--hz", "displacement map (voxels or Hz)"},
        {"fmr", "nii", bids::convertProjectToNifti, "", "functional project to a 4-D image"},
        {"dmr", "nii", bids::convertProjectToNifti, "", "diffusion project to a 4-D image"},
    };
    return table;
}

const std::vector<ConvertOptionSpec>& convertOptions() {
    static const std::vector<ConvertOptionSpec> table = {
        {"--res", false, "VTC resolution in anatomical voxels (1, 2 or 3)"},
        {"--anatomy", false, "T1-weighted image that becomes the run's VMR"},
        {"--like", false, "converted VTC or VMR whose world placement applies"},
        {"--tr", false, "repetition time in ms (events in volumes)"},
        {"--unit", false, "protocol time unit: ms (default) or volumes"},
        {"--labels", false, "label table of an atlas (BIDS *_dseg.tsv or FreeSurfer colour table)"},
        {"--pair", false, "the other EPI series of the pair, whose phase encoding must be opposite"},
        {"--bvec", false, "FSL b-vectors of a diffusion series"},
        {"--bval", false, "FSL b-values of a diffusion series"},
        {"--hz", true, "a displacement map as a field in Hz (needs TotalReadoutTime)"},
    };
    return table;
}

}  // namespace talvora::formats
