// Who answers the plug-ins' dialogs and sees their messages: the job file's
// scripted answers in a headless run, real Qt dialogs in GUI mode, a scripted
// answerer in tests. The host functions ask through the session's answerer
// only, so a form command meets the same dialogs in every mode.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace talvora::session {

class HostState;

// One dialog a plug-in asked for. Ranges and defaults are given for the
// input dialogs so that a real dialog can offer them; the host function
// checks the answer against them in every mode.
struct DialogRequest {
    std::string kind;    // "yesno", "integer", "float", "text", "open", "save"
    std::string text;    // prompt, question or title (file dialogs: "title [filter]")
    std::string title;   // file dialogs: the title alone
    std::string filter;  // file dialogs: the plug-in's filter
    nlohmann::json defaultValue;
    double minimum = 0, maximum = 0;
};

class DialogAnswerer {
public:
    virtual ~DialogAnswerer() = default;
    // The answer as a job file would give it (null: cancelled, for this call
    // only), or nullopt when the run must end: then the answerer has set
    // host.runError. The answerer records the dialog with host.record.
    virtual std::optional<nlohmann::json> answer(HostState& host, const DialogRequest& request) = 0;
    // A message box's text (already recorded and echoed by the host).
    virtual void showMessage(const std::string& text) { (void)text; }
};

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
