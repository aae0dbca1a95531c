// Host functions for the anatomical volume, its linked VTC with the VTC's
// protocol, and the multi-VTC list.
#include "host/documents/doc_functions_common.h"
#include "host/services/host_exports.h"

#include <stdexcept>

using namespace talvora;

int hxGetCurrentVMR(int* dimX, int* dimY, int* dimZ) {
    const auto& vmr = docs().vmr();
    if (!vmr) return 0;
    if (dimX) *dimX = vmr->file.dimX;
    if (dimY) *dimY = vmr->file.dimY;
    if (dimZ) *dimZ = vmr->file.dimZ;
    return 1;
}

int hxGetMainHeaderOfCurrentVMR(tl::VMRMainHeaderRecord* header) {
    return guarded(0, [&] {
        const auto& vmr = docs().vmr();
        if (!vmr || !header) return 0;
        const std::string path = vmr->path.generic_string();
        if (path.size() >= sizeof header->path)
            throw std::runtime_error(path + ": the VMR path is longer than the main header's " +
                                     std::to_string(sizeof header->path - 1) + " characters");
        copyText(header->path, sizeof header->path, path);
        return 1;
    });
}

namespace {

// The record as a plug-in sees a linked VTC; first field -1 when none.
int fillVtcHeader(tl::VTCHeaderRecord* record) {
    if (!record) return 0;
    VtcSource* vtc = docs().linkedSource();
    if (!vtc) {
        record->present = -1;
        return 0;
    }
    const formats::VtcHeader& h = vtc->header();
    record->present = static_cast<std::int32_t>(h.headerBytes);
    record->nrOfVolumes = h.nrOfVolumes;
    record->referenceSpace = h.referenceSpace;
    record->tr = h.trMilliseconds();
    record->xStart = h.grid.xStart;
    record->xEnd = h.grid.xEnd;
    record->yStart = h.grid.yStart;
    record->yEnd = h.grid.yEnd;
    record->zStart = h.grid.zStart;
    record->zEnd = h.grid.zEnd;
    record->resolution = h.grid.resolution;
    record->dataType = h.dataType;
    record->lrConvention = h.lrConvention;
    const auto& protocol = docs().protocol();
    copyText(record->protocolPath, sizeof record->protocolPath,
             protocol ? protocol->path.generic_string() : "");
    copyText(record->sourceFMR, sizeof record->sourceFMR, h.sourceFMR);
    return 1;
}

}  // namespace

int hxLinkVTCToCurrentVMR(const char* path, int index) {
    return guarded(0, [&] {
        const std::string problem = docs().linkVtc(pathOf(path), index);
        if (!problem.empty()) logHostProblem(problem);
        return 1;
    });
}

int hxGetHeaderOfVTCOfCurrentVMR(tl::VTCHeaderRecord* header) {
    return fillVtcHeader(header);
}
int hxGetVTCOfCurrentVMR(tl::VTCHeaderRecord* header) {
    return fillVtcHeader(header);
}

float* hxGetVTCFloatDataOfCurrentVMR() {
    return guarded<float*>(nullptr, [] {
        LinkedVtc* vtc = docs().linked();
        return vtc ? const_cast<float*>(vtc->source->floatData(vtc->alignedView)) : nullptr;
    });
}

unsigned short* hxGetVTCIntDataOfCurrentVMR() {
    return guarded<unsigned short*>(nullptr, [] {
        LinkedVtc* vtc = docs().linked();
        return vtc ? const_cast<unsigned short*>(vtc->source->intData(vtc->alignedView)) : nullptr;
    });
}

// Applies the record's protocol path to the linked VTC (other fields are
// the file's and stay as they are). An empty path unlinks the protocol.
int hxSetVTCParametersOfCurrentVMR(tl::VTCHeaderRecord* header) {
    return guarded(0, [&] {
        if (!header || !docs().linkedSource()) return 0;
        const std::string path(header->protocolPath,
                               strnlen(header->protocolPath, sizeof header->protocolPath));
        docs().linkProtocol(std::filesystem::u8path(path));
        return 1;
    });
}

void hxClearMultiVTCAnalysis() {
    docs().clearVtcList();
}

int hxAddVTCRefForMultiVTCAnalysis(const char* path) {
    return guarded(0, [&] {
        docs().addVtcToList(pathOf(path));
        return 1;
    });
}

int hxGetVoxelTimeCourseOfVTC(int vtcIndex, int voxelIndex, float* values) {
    VtcSource* vtc = docs().listedVtc(vtcIndex);
    if (!vtc || voxelIndex < 0) return 0;
    return vtc->readTimeCourse(static_cast<std::size_t>(voxelIndex), values) ? 1 : 0;
}

int hxGetProtocol(tl::ProtocolRecord* protocol) {
    if (!protocol) return 0;
    const auto& linked = docs().protocol();
    if (!linked) {
        protocol->nrOfConditions = 0;
        protocol->timeUnit = 0;
        return 0;
    }
    protocol->nrOfConditions = static_cast<std::int32_t>(linked->file.conditions.size());
    protocol->timeUnit = static_cast<std::int32_t>(linked->file.timeUnit);
    return 1;
}

int hxGetProtocolCondition(int index, tl::ProtocolConditionRecord* condition) {
    const auto& linked = docs().protocol();
    if (!condition || !linked || index < 0 ||
        static_cast<std::size_t>(index) >= linked->file.conditions.size())
        return 0;
    // The record hands out pointers into the host's copy; they stay valid
    // until another protocol is linked.
    auto& c =
        const_cast<formats::ProtocolCondition&>(linked->file.conditions[static_cast<std::size_t>(index)]);
    copyText(condition->name, sizeof condition->name, c.name);
    condition->nrOfIntervals = static_cast<std::int32_t>(c.starts.size());
    condition->starts = c.starts.data();
    condition->ends = c.ends.data();
    return 1;
}
