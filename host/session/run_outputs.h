// The files a run wrote and those it could not. Every writer that goes
// through tl::AtomicFile (plug-ins and host alike) tells the host the outcome
// of each file through the exported talvoraNoteFileOutcome; the host's own
// map saves report here too. The run's exit status and last line come from it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace talvora::session {

class RunOutputs {
public:
    // The current session's outcomes (host/session/host_session.h).
    static RunOutputs& instance();

    // Outcomes are collected only between start() and stop(): the host's own
    // files after the run (the transcript) are not the run's results.
    void start();
    void stop() { recording_ = false; }
    // Forgets every outcome and stops recording (a new job).
    void reset();
    bool recording() const { return recording_; }

    // `path` as the writer named it, relative to the current folder.
    void note(const std::filesystem::path& path, bool written);

    // Absolute paths, in the order first noted; a file written after a
    // failure (a second attempt) is no longer missing.
    const std::vector<std::string>& missing() const { return missing_; }
    std::size_t writtenCount() const { return written_.size(); }

private:
    friend class HostSession;
    RunOutputs() = default;
    bool recording_ = false;
    std::vector<std::string> missing_;
    std::vector<std::string> written_;
};

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
