// The functional project (FMR) that is current in the host, and its maps.
#pragma once

#include "host/formats/fmr_map_file.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace talvora::session {
class HostSession;
}  // namespace talvora::session

namespace talvora::documents {

struct FmrDocument {
    std::filesystem::path path;
    formats::FmrGrid grid;
    std::vector<formats::FmrMap> maps;
    std::vector<float*> slices;  // of the last map, handed to plug-ins
    void pointAtLastMap();
};

class FmrDocuments {
public:
    // The current session's functional project (host/session/host_session.h).
    static FmrDocuments& instance();
    // Opens the project's header as the current FMR; throws naming the file.
    void open(const std::filesystem::path& path);
    void close() { current_.reset(); }
    FmrDocument* current() { return current_.get(); }

private:
    friend class session::HostSession;
    FmrDocuments() = default;
    std::unique_ptr<FmrDocument> current_;
};

}  // namespace talvora::documents

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace documents;
}  // namespace talvora
