#include "host/app/transcript.h"

#include "frame/atomic_file.h"
#include "host/session/host_state.h"

#include <cstdio>

namespace talvora::app {
namespace {

// Length of the well-formed UTF-8 sequence at `at`, or 0 when the byte there
// does not start one (a Latin-1 byte, a cut or overlong sequence, a surrogate).
std::size_t utf8SequenceAt(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return length;
}

nlohmann::json escapedList(const std::vector<std::string>& lines) {
    nlohmann::json list = nlohmann::json::array();
    for (const std::string& line : lines) list.push_back(escapeNonUtf8(line));
    return list;
}

}  // namespace

std::string escapeNonUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (const std::size_t n = utf8SequenceAt(text, at)) {
            out.append(text, at, n);
            at += n;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[at]));
        out += escaped;
        ++at;
    }
    return out;
}

void writeTranscript(const std::string& path, const RunResult& result) {
    const HostState& host = HostState::instance();
    nlohmann::json root;
    root["dialogs"] = nlohmann::json::array();
    for (const DialogEvent& e : host.events)
        root["dialogs"].push_back(
            {{"kind", e.kind}, {"text", escapeNonUtf8(e.text)}, {"answer", escapeNonUtf8(e.answer)}});
    root["log"] = escapedList(host.logLines);
    root["initialised"] = result.initialised;
    root["execute"] = result.executeResults;
    root["printed"] = escapedList(result.printed);
    root["command_errors"] = escapedList(result.commandErrors);
    root["error"] = escapeNonUtf8(result.error);
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << root.dump(2) << '\n'; });
}

}  // namespace talvora::app
