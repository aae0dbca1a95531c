// Host functions of the current functional project's maps: create one,
// fill it in place, set its parameters, save and load ".map" files.
#include "host/documents/doc_fmr.h"
#include "host/documents/doc_functions_common.h"
#include "host/services/host_exports.h"

#include <stdexcept>

using namespace talvora;

namespace talvora::documents {

void FmrDocument::pointAtLastMap() {
    slices.clear();
    if (maps.empty()) return;
    const std::size_t plane = static_cast<std::size_t>(grid.nx) * grid.ny;
    for (int z = 0; z < grid.nz; ++z) slices.push_back(maps.back().values.data() + z * plane);
}

void FmrDocuments::open(const std::filesystem::path& path) {
    auto doc = std::make_unique<FmrDocument>();
    doc->path = path;
    doc->grid = formats::readFmrGrid(path);
    current_ = std::move(doc);
}

}  // namespace talvora::documents

namespace {
FmrDocument& currentFmr() {
    FmrDocument* doc = FmrDocuments::instance().current();
    if (!doc) throw std::runtime_error("no functional project (FMR) is open");
    return *doc;
}
}  // namespace

// Replaces the project's maps by one new map of zeros on its grid.
int hxCreateMAPForCurrentFMR() {
    return guarded(0, [] {
        FmrDocument& doc = currentFmr();
        formats::FmrMap map;
        map.name = "Map 1";
        map.values.assign(static_cast<std::size_t>(doc.grid.nx) * doc.grid.ny * doc.grid.nz, 0.0f);
        doc.maps.clear();
        doc.maps.push_back(std::move(map));
        doc.pointAtLastMap();
        return 1;
    });
}

float** hxGetMAPOfCurrentFMR(tl::FMRMapRecord* record) {
    return guarded<float**>(nullptr, [&]() -> float** {
        FmrDocument& doc = currentFmr();
        if (!record || doc.maps.empty()) return nullptr;
        const formats::FmrMap& m = doc.maps.back();
        record->dimX = doc.grid.nx;
        record->dimY = doc.grid.ny;
        record->dimZ = doc.grid.nz;
        record->flag0C = m.clusterFlag;
        record->lowerThreshold = m.lowerThreshold;
        record->upperThreshold = m.upperThreshold;
        record->flag1C = m.lastFlag;
        return doc.slices.data();
    });
}

int hxSetMAPParametersOfCurrentFMR(tl::FMRMapRecord* record) {
    return guarded(0, [&] {
        FmrDocument& doc = currentFmr();
        if (!record || doc.maps.empty()) return 0;
        formats::FmrMap& m = doc.maps.back();
        m.clusterFlag = record->flag0C;
        m.lowerThreshold = record->lowerThreshold;
        m.upperThreshold = record->upperThreshold;
        m.lastFlag = record->flag1C;
        return 1;
    });
}

int hxSaveMAPsOfCurrentFMR(const char* path) {
    return guarded(0, [&] {
        FmrDocument& doc = currentFmr();
        formats::FmrMapFile file;
        file.nx = doc.grid.nx, file.ny = doc.grid.ny, file.nz = doc.grid.nz;
        file.maps = doc.maps;
        formats::writeFmrMapFile(textOf(path), file);
        return 1;
    });
}

int hxLoadMAPsToCurrentFMR(const char* path) {
    return guarded(0, [&] {
        FmrDocument& doc = currentFmr();
        formats::FmrMapFile file = formats::readFmrMapFile(textOf(path));
        if (file.nx != doc.grid.nx || file.ny != doc.grid.ny || file.nz != doc.grid.nz)
            throw std::runtime_error(textOf(path) + ": the maps' grid differs from the functional project's");
        doc.maps = std::move(file.maps);
        doc.pointAtLastMap();
        return 1;
    });
}
