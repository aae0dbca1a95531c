#include "host/documents/doc_store.h"

#include "host/session/host_state.h"
#include "host/services/text_copy.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace talvora::documents {
namespace fs = std::filesystem;
using formats::fail;

void logHostProblem(const std::string& text) {
    HostState::instance().log("Talvora> " + text);
}

void DocumentStore::closeAll() {
    vmr_.reset();
    vtc_.reset();
    protocol_.reset();
    vtcList_.clear();
    vois_.reset();
    mask_.reset();
    glm_.reset();
    maps_.reset();
    protocolOverrides_.clear();
}

void DocumentStore::requireVmr(const char* what) const {
    if (!vmr_)
        throw std::runtime_error(std::string("cannot ") + what + ": no anatomical volume (VMR) is open");
}

void DocumentStore::checkGridInsideVmr(const fs::path& path, const formats::FunctionalGrid& g,
                                       const char* what) const {
    const formats::VmrFile& v = vmr_->file;
    if (g.xEnd > v.dimX || g.yEnd > v.dimY || g.zEnd > v.dimZ)
        fail(path, std::string("the ") + what + " grid (" + g.describe() + ") reaches outside the " +
                       std::to_string(v.dimX) + " x " + std::to_string(v.dimY) + " x " +
                       std::to_string(v.dimZ) + " anatomical volume");
}

void DocumentStore::openVmr(const fs::path& path) {
    OpenVmr vmr;
    vmr.file = formats::readVmrFile(path);
    vmr.path = fs::absolute(path).lexically_normal();
    closeAll();
    vmr_ = std::move(vmr);
}

void DocumentStore::overrideProtocol(const std::string& vtcKey, const fs::path& protocolPath) {
    protocolOverrides_[vtcKey] = fs::absolute(protocolPath).lexically_normal();
}

std::optional<fs::path> DocumentStore::protocolFor(const VtcSource& vtc) const {
    const fs::path vtcPath = fs::absolute(vtc.path()).lexically_normal();
    for (const auto& [key, protocol] : protocolOverrides_) {
        const fs::path keyPath(key);
        if (keyPath == vtcPath.filename() || (keyPath.is_absolute() && keyPath.lexically_normal() == vtcPath))
            return protocol;
    }
    const formats::VtcHeader& h = vtc.header();
    if (!h.hasProtocol || h.protocolName.empty()) return std::nullopt;
    // A relative name is taken from the VTC's folder; a name written on another
    // machine (absolute, or with Windows separators) falls back to the file of
    // that name beside the VTC.
    std::string name = h.protocolName;
    fs::path named(name);
    const fs::path folder = vtcPath.parent_path();
    if (named.is_relative() && name.find('\\') == std::string::npos)
        return (folder / named).lexically_normal();
    std::error_code ec;
    if (named.is_absolute() && fs::exists(named, ec)) return named;
    const std::size_t cut = name.find_last_of("/\\");
    return folder / (cut == std::string::npos ? name : name.substr(cut + 1));
}

void DocumentStore::linkProtocol(const fs::path& path) {
    if (!vtc_) throw std::runtime_error("cannot link a protocol: no VTC is linked");
    if (path.empty()) {
        protocol_.reset();
        return;
    }
    LoadedProtocol protocol;
    protocol.file = formats::readProtocolFile(path);
    protocol.path = fs::absolute(path).lexically_normal();
    protocol_ = std::move(protocol);
}

std::string DocumentStore::linkVtc(const fs::path& path, int index) {
    requireVmr("link a VTC");
    if (path.empty()) throw std::runtime_error("cannot link a VTC: no path given");
    std::shared_ptr<VtcSource> source;
    try {
        source = openVtcShared(path);
        checkGridInsideVmr(path, source->header().grid, "VTC");
        // A plug-in indexes the GLM's maps with the linked VTC's grid.
        if (glm_ && source->header().grid != glm_->grid)
            fail(path, "the VTC's grid (" + source->header().grid.describe() +
                           ") does not match the open GLM " + glmPath_.string() + " (" +
                           glm_->grid.describe() + ")");
    } catch (...) {
        unlinkVtc();
        throw;
    }
    vtc_ = LinkedVtc{source, index, {}};
    protocol_.reset();
    const auto protocolPath = protocolFor(*source);
    if (!protocolPath) return {};
    try {
        linkProtocol(*protocolPath);
    } catch (const std::exception& e) {
        return std::string("the protocol of ") + path.string() + " cannot be used: " + e.what();
    }
    return {};
}

void DocumentStore::unlinkVtc() {
    vtc_.reset();
    protocol_.reset();
}

void DocumentStore::addVtcToList(const fs::path& path) {
    if (path.empty()) throw std::runtime_error("cannot use a VTC: no path given");
    vtcList_.push_back(openVtcShared(path));
}

VtcSource* DocumentStore::listedVtc(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= vtcList_.size()) return nullptr;
    return vtcList_[static_cast<std::size_t>(index)].get();
}

void DocumentStore::loadVois(const fs::path& path) {
    requireVmr("load VOIs");
    if (path.empty()) throw std::runtime_error("cannot load VOIs: no file name given");
    const std::array<int, 3> dims{vmr_->file.dimX, vmr_->file.dimY, vmr_->file.dimZ};
    vois_ = formats::readVoiFile(path, &dims);
}

void DocumentStore::loadMask(const fs::path& path) {
    requireVmr("load a mask");
    if (path.empty()) throw std::runtime_error("cannot load a mask: no file name given");
    formats::MaskFile mask = formats::readMaskFile(path);
    checkGridInsideVmr(path, mask.grid, "mask");
    if (vtc_ && vtc_->source->header().grid != mask.grid)
        fail(path, "the mask's grid (" + mask.grid.describe() + ") does not match the linked VTC (" +
                       vtc_->source->header().grid.describe() + ")");
    mask_ = std::move(mask);
}

void DocumentStore::loadGlm(const fs::path& path) {
    requireVmr("load a GLM");
    formats::GlmFile glm = formats::readGlmFile(path);
    checkGridInsideVmr(path, glm.grid, "GLM");
    if (vtc_ && vtc_->source->header().grid != glm.grid)
        fail(path, "the GLM's grid (" + glm.grid.describe() + ") does not match the linked VTC (" +
                       vtc_->source->header().grid.describe() + ")");
    glm_ = std::move(glm);
    glmPath_ = fs::absolute(path).lexically_normal();
}

namespace {

std::unique_ptr<MapSlot> slotFrom(formats::MapDefinition definition) {
    auto slot = std::make_unique<MapSlot>();
    copyText(slot->name, sizeof slot->name, definition.name);
    slot->values = std::move(definition.values);
    definition.name.clear();
    definition.values.clear();
    slot->settings = std::move(definition);
    return slot;
}

void setLabels(MapSet& set, const std::vector<std::string>& labels) {
    set.labels.assign(labels.size(), {});
    set.labelPointers.clear();
    for (std::size_t t = 0; t < labels.size(); ++t) {
        copyText(set.labels[t].data(), set.labels[t].size(), labels[t]);
        set.labelPointers.push_back(set.labels[t].data());
    }
}

}  // namespace

void DocumentStore::createMaps(int nrOfMaps, int option, int nrOfThresholds,
                               const formats::FunctionalGrid& grid) {
    requireVmr("create maps");
    if (nrOfMaps < 1 || nrOfMaps > 100000)
        throw std::runtime_error("cannot create " + std::to_string(nrOfMaps) +
                                 " maps (1 ... 100000 can be created)");
    if (nrOfThresholds < 0 || nrOfThresholds > 1000)
        throw std::runtime_error("cannot create maps with " + std::to_string(nrOfThresholds) +
                                 " false-discovery thresholds (0 ... 1000)");
    if (grid.resolution < 1 || grid.dimX() < 1 || grid.dimY() < 1 || grid.dimZ() < 1)
        throw std::runtime_error("cannot create maps on an empty grid (" + grid.describe() + ")");
    auto set = std::make_unique<MapSet>();
    set->option = option;
    set->grid = grid;
    setLabels(*set, std::vector<std::string>(static_cast<std::size_t>(nrOfThresholds)));
    for (int m = 0; m < nrOfMaps; ++m) {
        formats::MapDefinition definition;
        definition.mapType = option;
        definition.fdrThresholds.assign(static_cast<std::size_t>(nrOfThresholds), 0.0f);
        definition.values.assign(grid.voxelCount(), 0.0f);
        set->maps.push_back(slotFrom(std::move(definition)));
    }
    maps_ = std::move(set);
}

bool DocumentStore::deleteMap(int index) {
    if (!maps_ || index < 0 || static_cast<std::size_t>(index) >= maps_->maps.size()) return false;
    maps_->maps.erase(maps_->maps.begin() + index);
    return true;
}

void DocumentStore::saveMaps(const fs::path& path) const {
    if (path.empty()) throw std::runtime_error("cannot save maps: no file name given");
    formats::MapSetFile file;
    if (!maps_) {
        // Saving with no maps gives an empty set (a group of no subjects),
        // on the anatomical volume's own grid.
        requireVmr("save maps");
        file.grid.resolution = 1;
        file.grid.xEnd = vmr_->file.dimX;
        file.grid.yEnd = vmr_->file.dimY;
        file.grid.zEnd = vmr_->file.dimZ;
        formats::writeMapSetFile(path, file);
        return;
    }
    file.option = maps_->option;
    file.nrOfThresholds = maps_->nrOfThresholds();
    file.grid = maps_->grid;
    for (const auto& label : maps_->labels)
        file.thresholdLabels.emplace_back(label.data(), strnlen(label.data(), label.size()));
    for (const auto& slot : maps_->maps) {
        formats::MapDefinition definition = slot->settings;
        definition.name.assign(slot->name, strnlen(slot->name, sizeof slot->name));
        definition.values = slot->values;
        file.maps.push_back(std::move(definition));
    }
    try {
        formats::writeMapSetFile(path, file);
    } catch (const std::invalid_argument& e) {
        fail(path, std::string("cannot save the maps: ") + e.what());
    }
}

void DocumentStore::loadMaps(const fs::path& path, bool append) {
    requireVmr("load maps");
    if (path.empty()) throw std::runtime_error("cannot load maps: no file name given");
    formats::MapSetFile file = formats::readMapSetFile(path);
    if (append && maps_) {
        if (file.grid != maps_->grid)
            fail(path, "its grid (" + file.grid.describe() + ") differs from the maps already open (" +
                           maps_->grid.describe() + ")");
        if (file.nrOfThresholds != maps_->nrOfThresholds())
            fail(path, "its maps carry " + std::to_string(file.nrOfThresholds) +
                           " false-discovery thresholds, the maps already open " +
                           std::to_string(maps_->nrOfThresholds()));
        for (auto& definition : file.maps) maps_->maps.push_back(slotFrom(std::move(definition)));
        return;
    }
    auto set = std::make_unique<MapSet>();
    set->option = file.option;
    set->grid = file.grid;
    setLabels(*set, file.thresholdLabels);
    for (auto& definition : file.maps) set->maps.push_back(slotFrom(std::move(definition)));
    maps_ = std::move(set);
}

}  // namespace talvora::documents
