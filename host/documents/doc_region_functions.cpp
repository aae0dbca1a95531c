// Host functions for the region documents of the current volume: VOIs,
// the mask and the GLM.
#include "host/documents/doc_functions_common.h"
#include "host/services/host_exports.h"

using namespace talvora;

int hxLoadVOIs(const char* path) {
    return guarded(0, [&] {
        docs().loadVois(pathOf(path));
        return 1;
    });
}

int hxGetVOIs(tl::VOISetRecord* set) {
    const auto& vois = docs().vois();
    if (!set || !vois) return 0;
    set->nrOfVOIs = static_cast<std::int32_t>(vois->vois.size());
    set->convention = vois->convention;
    return 1;
}

int* hxGetVOI(int index, tl::VOIRecord* voi) {
    const auto& vois = docs().vois();
    if (!voi || !vois || index < 0 || static_cast<std::size_t>(index) >= vois->vois.size()) return nullptr;
    auto& definition = const_cast<formats::VoiDefinition&>(vois->vois[static_cast<std::size_t>(index)]);
    voi->nrOfVoxels = static_cast<std::int32_t>(definition.voxelCount());
    copyText(voi->name, sizeof voi->name, definition.name);
    // An empty voxel list still answers with a valid (unread) address, since
    // null means failure to the caller.
    static std::int32_t noVoxels[3] = {0, 0, 0};
    return definition.coords.empty() ? noVoxels : definition.coords.data();
}

int hxLoadMaskToCurrentVMR(const char* path) {
    return guarded(0, [&] {
        docs().loadMask(pathOf(path));
        return 1;
    });
}

unsigned char* hxGetMaskOfCurrentVMR() {
    formats::MaskFile* mask = docs().maskForWriting();
    return mask ? mask->voxels.data() : nullptr;
}

float* hxGetGLMOfCurrentVMR(tl::GLMRecord* record) {
    formats::GlmFile* glm = docs().glmForWriting();
    if (!glm || !docs().vmr()) return nullptr;
    if (record) {
        record->nrOfPredictors = glm->nrOfPredictors;
        record->nrOfStudies = glm->nrOfStudies;
        record->separatePredictors = glm->separatePredictors;
    }
    return glm->maps.data();
}
