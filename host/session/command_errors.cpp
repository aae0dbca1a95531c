#include "host/session/command_errors.h"

namespace talvora::session {
namespace {

// The distortion plug-in catches every failure of a command and shows it in
// a message box that begins with "Error: ".
std::optional<std::string> distortionError(const CommandTrace& trace) {
    for (const DialogEvent& event : trace.dialogs)
        if (event.kind == "message" && event.text.compare(0, 7, "Error: ") == 0) return event.text;
    return std::nullopt;
}

// The Granger plug-in logs every failure as a line beginning "ERROR" and
// ends a run of result 3 (internal or file error) with "Terminal error,
// sorry. Exiting...", one of result 2 (invalid selection or parameters) in
// the computation with "An invalid input parameter-set caused computation to
// terminate."; a selection of result 2 ends with its "ERROR" line alone.
std::optional<std::string> grangerError(const CommandTrace& trace) {
    static const std::string prefix = "// GCM> ";
    std::string firstError;
    bool invalidParameters = false, terminal = false;
    for (const std::string& line : trace.logLines) {
        const std::string text =
            line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : line;
        if (firstError.empty() && text.compare(0, 5, "ERROR") == 0) firstError = text;
        invalidParameters = invalidParameters ||
                            text.find("An invalid input parameter-set caused computation to terminate.") == 0;
        terminal = terminal || text.find("Terminal error, sorry. Exiting...") == 0;
    }
    if (!terminal && !invalidParameters && firstError.empty()) return std::nullopt;
    std::string error =
        terminal ? "result 3 (internal or file error)" : "result 2 (invalid selection or parameters)";
    if (!firstError.empty()) error += ": " + firstError;
    return error;
}

}  // namespace

std::optional<std::string> commandError(const std::string& deliverable, const CommandTrace& trace) {
    if (deliverable == "Mirel_r122") return distortionError(trace);
    if (deliverable == "CausalisPlugin_v27") return grangerError(trace);
    return std::nullopt;
}

}  // namespace talvora::session
