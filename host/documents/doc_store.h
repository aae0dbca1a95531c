// What the stand-in host keeps open for the plug-ins: the current anatomical
// volume (VMR), its linked VTC and that VTC's protocol, the multi-VTC list,
// VOIs, mask, GLM and the set of volume maps in functional resolution.
// Host functions act on the one store; loading throws std::runtime_error
// naming the file and the problem, and leaves the store as it was.
#pragma once

#include "frame/host_records.h"
#include "host/documents/doc_vtc_source.h"
#include "host/formats/glm_file.h"
#include "host/formats/map_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/platform/lazy_aligned_copy.h"
#include "host/formats/voi_file.h"

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talvora::session {
class HostSession;
}  // namespace talvora::session

namespace talvora::documents {

struct OpenVmr {
    std::filesystem::path path;  // absolute
    formats::VmrFile file;
};

struct LinkedVtc {
    std::shared_ptr<VtcSource> source;
    int index = 0;
    // The data block handed out whole when the file's layout leaves it
    // unaligned: an aligned view filled only where it is read; dropped when
    // another VTC is linked.
    std::shared_ptr<platform::LazyAlignedCopy> alignedView;
};

struct LoadedProtocol {
    std::filesystem::path path;
    formats::ProtocolFile file;
};

// One map of the set; each lives at a fixed address so the name buffer and
// the values handed to a plug-in stay valid while other maps come and go.
struct MapSlot {
    char name[tl::kMapNameCapacity] = {};
    formats::MapDefinition settings;  // everything but the name and the values
    std::vector<float> values;
};

struct MapSet {
    int option = 0;
    formats::FunctionalGrid grid;
    std::vector<std::array<char, tl::kMapNameCapacity>> labels;  // one per threshold
    std::vector<char*> labelPointers;
    std::vector<std::unique_ptr<MapSlot>> maps;

    int nrOfThresholds() const { return static_cast<int>(labels.size()); }
};

class DocumentStore {
public:
    // The current session's documents (host/session/host_session.h).
    static DocumentStore& instance();

    // A fresh workspace: every document closed, the lists and overrides empty.
    void closeAll();

    // Documents. Paths are used as given (relative ones from the current folder).
    void openVmr(const std::filesystem::path& path);
    // Links a VTC and the protocol it names (or the job names for it). Throws
    // when the VTC is unusable, leaving no VTC linked; a protocol that cannot
    // be read leaves the VTC linked without one and is returned as the problem.
    std::string linkVtc(const std::filesystem::path& path, int index);
    void unlinkVtc();
    void loadVois(const std::filesystem::path& path);
    void loadMask(const std::filesystem::path& path);
    void loadGlm(const std::filesystem::path& path);
    // Links a protocol to the current VTC; an empty path unlinks it.
    void linkProtocol(const std::filesystem::path& path);
    // A job may name the protocol of a VTC (by file name or path) explicitly.
    void overrideProtocol(const std::string& vtcKey, const std::filesystem::path& protocolPath);

    // Multi-VTC list.
    void clearVtcList() { vtcList_.clear(); }
    void addVtcToList(const std::filesystem::path& path);
    VtcSource* listedVtc(int index) const;

    // Maps.
    void createMaps(int nrOfMaps, int option, int nrOfThresholds, const formats::FunctionalGrid& grid);
    void deleteMaps() { maps_.reset(); }
    bool deleteMap(int index);
    void saveMaps(const std::filesystem::path& path) const;
    void loadMaps(const std::filesystem::path& path, bool append);

    const std::optional<OpenVmr>& vmr() const { return vmr_; }
    const std::optional<LinkedVtc>& vtc() const { return vtc_; }
    const std::optional<LoadedProtocol>& protocol() const { return protocol_; }
    const std::optional<formats::VoiFile>& vois() const { return vois_; }
    const std::optional<formats::MaskFile>& mask() const { return mask_; }
    const std::optional<formats::GlmFile>& glm() const { return glm_; }
    formats::GlmFile* glmForWriting() { return glm_ ? &*glm_ : nullptr; }
    formats::MaskFile* maskForWriting() { return mask_ ? &*mask_ : nullptr; }
    MapSet* maps() { return maps_.get(); }
    VtcSource* linkedSource() { return vtc_ ? vtc_->source.get() : nullptr; }
    LinkedVtc* linked() { return vtc_ ? &*vtc_ : nullptr; }

private:
    friend class session::HostSession;
    DocumentStore() = default;
    void requireVmr(const char* what) const;
    void checkGridInsideVmr(const std::filesystem::path& path, const formats::FunctionalGrid& grid,
                            const char* what) const;
    std::optional<std::filesystem::path> protocolFor(const VtcSource& vtc) const;

    std::optional<OpenVmr> vmr_;
    std::optional<LinkedVtc> vtc_;
    std::optional<LoadedProtocol> protocol_;
    std::vector<std::shared_ptr<VtcSource>> vtcList_;
    std::optional<formats::VoiFile> vois_;
    std::optional<formats::MaskFile> mask_;
    std::optional<formats::GlmFile> glm_;
    std::filesystem::path glmPath_;
    std::unique_ptr<MapSet> maps_;
    std::map<std::string, std::filesystem::path> protocolOverrides_;
};

// Writes the host's own log line ("Talvora> ...") into the log pane.
void logHostProblem(const std::string& text);

}  // namespace talvora::documents

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace documents;
}  // namespace talvora
