#include "host/session/run_outputs.h"

#include "frame/atomic_file.h"
#include "host/services/host_exports.h"

#include <algorithm>

namespace talvora::session {
namespace fs = std::filesystem;

void RunOutputs::start() {
    // The host's own writers report here directly; plug-ins through the
    // exported function, which their host access binds.
    tl::setFileOutcomeListener(talvoraNoteFileOutcome);
    reset();
    recording_ = true;
}

void RunOutputs::reset() {
    missing_.clear();
    written_.clear();
    recording_ = false;
}

void RunOutputs::note(const fs::path& path, bool written) {
    if (!recording_ || path.empty()) return;
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    const std::string key = (ec ? path : full.lexically_normal()).string();
    const auto drop = [&key](std::vector<std::string>& list) {
        list.erase(std::remove(list.begin(), list.end(), key), list.end());
    };
    drop(missing_);
    drop(written_);
    (written ? written_ : missing_).push_back(key);
}

}  // namespace talvora::session

TALVORA_HOST_EXPORT void talvoraNoteFileOutcome(const char* path, int written) {
    if (path) talvora::RunOutputs::instance().note(path, written != 0);
}
