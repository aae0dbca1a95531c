// Host functions for the set of volume maps in functional resolution
// (NR-VMPs): create, read, fill in place, rename, delete, save and load.
#include "frame/grid.h"
#include "host/documents/doc_functions_common.h"
#include "host/services/host_exports.h"
#include "host/session/run_outputs.h"

#include <algorithm>
#include <stdexcept>

using namespace talvora;

namespace {

MapSlot* slotAt(int index) {
    MapSet* set = docs().maps();
    if (!set || index < 0 || static_cast<std::size_t>(index) >= set->maps.size()) return nullptr;
    return set->maps[static_cast<std::size_t>(index)].get();
}

void putColor(std::uint8_t* field, const formats::Rgb& c) {
    field[0] = c[0];
    field[1] = c[1];
    field[2] = c[2];
    field[3] = 0;
}

formats::Rgb colorOf(const std::uint8_t* field) {
    return {field[0], field[1], field[2]};
}

formats::FunctionalGrid gridOf(const tl::NRVMPSetRecord& r) {
    formats::FunctionalGrid g;
    tl::copyGridBox(r, g);
    return g;
}

}  // namespace

// With a record the maps take its grid; without one, the linked VTC's.
// `option` becomes every new map's type code. Replaces any earlier set.
int hxCreateNRVMPsForCurrentVMR(int nrOfMaps, int option, int nrOfThresholds, tl::NRVMPSetRecord* set) {
    return guarded(0, [&] {
        formats::FunctionalGrid grid;
        if (set) {
            grid = gridOf(*set);
        } else if (VtcSource* vtc = docs().linkedSource()) {
            grid = vtc->header().grid;
        } else {
            throw std::runtime_error("cannot create maps: no grid given and no VTC linked");
        }
        docs().createMaps(nrOfMaps, option, nrOfThresholds, grid);
        return 1;
    });
}

int hxGetNRVMPsOfCurrentVMR(tl::NRVMPSetRecord* record) {
    MapSet* set = docs().maps();
    if (!record || !set) return 0;
    record->nrOfThresholds = set->nrOfThresholds();
    record->xStart = set->grid.xStart;
    record->xEnd = set->grid.xEnd;
    record->yStart = set->grid.yStart;
    record->yEnd = set->grid.yEnd;
    record->zStart = set->grid.zStart;
    record->zEnd = set->grid.zEnd;
    record->resolution = set->grid.resolution;
    record->thresholdLabels = set->labelPointers.empty() ? nullptr : set->labelPointers.data();
    return 1;
}

float* hxGetNRVMPOfCurrentVMR(int index, tl::NRVMPRecord* map) {
    MapSlot* slot = slotAt(index);
    if (!slot || !map) return nullptr;
    const formats::MapDefinition& s = slot->settings;
    map->name = slot->name;
    map->mapType = s.mapType;
    map->lowerThreshold = s.lowerThreshold;
    map->upperThreshold = s.upperThreshold;
    putColor(map->colorPositiveLow, s.colorPositiveLow);
    putColor(map->colorPositiveHigh, s.colorPositiveHigh);
    putColor(map->colorNegativeLow, s.colorNegativeLow);
    putColor(map->colorNegativeHigh, s.colorNegativeHigh);
    map->useColors = s.useColors;
    map->fdrThresholds = slot->settings.fdrThresholds.empty() ? nullptr : slot->settings.fdrThresholds.data();
    return slot->values.data();
}

// Takes every field of the record. The name and the false-discovery
// thresholds are usually edited in the host's own buffers; a record that
// points elsewhere is copied from.
int hxSetNRVMPParametersOfCurrentVMR(int index, tl::NRVMPRecord* map) {
    MapSlot* slot = slotAt(index);
    if (!slot || !map) return 0;
    formats::MapDefinition& s = slot->settings;
    if (map->name && map->name != slot->name) copyText(slot->name, sizeof slot->name, map->name);
    slot->name[sizeof slot->name - 1] = '\0';
    s.mapType = map->mapType;
    s.lowerThreshold = map->lowerThreshold;
    s.upperThreshold = map->upperThreshold;
    s.colorPositiveLow = colorOf(map->colorPositiveLow);
    s.colorPositiveHigh = colorOf(map->colorPositiveHigh);
    s.colorNegativeLow = colorOf(map->colorNegativeLow);
    s.colorNegativeHigh = colorOf(map->colorNegativeHigh);
    s.useColors = map->useColors;
    if (map->fdrThresholds && map->fdrThresholds != s.fdrThresholds.data())
        std::copy(map->fdrThresholds, map->fdrThresholds + s.fdrThresholds.size(), s.fdrThresholds.begin());
    return 1;
}

int hxSaveNRVMPsOfCurrentVMR(const char* path) {
    const int saved = guarded(0, [&] {
        docs().saveMaps(pathOf(path));
        return 1;
    });
    // Whatever stopped the save (no maps, a name that cannot be stored, a full
    // disk), the map file the plug-in asked for is missing from the run.
    if (!saved && path && *path) RunOutputs::instance().note(path, false);
    return saved;
}

int hxLoadNRVMPsToCurrentVMR(const char* path) {
    return guarded(0, [&] {
        docs().loadMaps(pathOf(path), false);
        return 1;
    });
}

int hxAddNRVMPsToCurrentVMR(const char* path) {
    return guarded(0, [&] {
        docs().loadMaps(pathOf(path), true);
        return 1;
    });
}

int hxDeleteNRVMPsOfCurrentVMR() {
    docs().deleteMaps();
    return 1;
}

int hxDeleteNRVMPMap(int index) {
    return docs().deleteMap(index) ? 1 : 0;
}
