#include "host/transcript.h"

#include "frame/atomic_file.h"
#include "host/host_state.h"

namespace talvora {

void writeTranscript(const std::string& path, const RunResult& result) {
    const HostState& host = HostState::instance();
    nlohmann::json root;
    root["dialogs"] = nlohmann::json::array();
    for (const DialogEvent& e : host.events)
        root["dialogs"].push_back({{"kind", e.kind}, {"text", e.text}, {"answer", e.answer}});
    root["log"] = host.logLines;
    root["initialised"] = result.initialised;
    root["execute"] = result.executeResults;
    root["printed"] = result.printed;
    root["error"] = result.error;
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << root.dump(2) << '\n'; });
}

}  // namespace talvora
