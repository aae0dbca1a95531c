#include "host/session/host_state.h"

#include <iostream>

namespace talvora::session {

void HostState::reset() {
    version = {24, 0, 0};
    moduleName = "Talvora.exe";
    logLines.clear();
    events.clear();
    script_.clear();
    answerer_ = &script_;
    logObserver = nullptr;
    runError.clear();
    interactive = false;
    busyDepth = 0;
    openBase.clear();
    saveBase.clear();
    parameters.clear();
    stringParameterBuffer = tl::kPathCapacity;
    if (logFile_.is_open()) logFile_.close();
    logLinesWritten_ = logLinesLost_ = 0;
}

void HostState::log(const std::string& line) {
    logLines.push_back(line);
    if (echo) std::cout << line << '\n' << std::flush;
    if (logObserver) logObserver(line);
    if (!logFile_.is_open()) return;
    // After a failed write nothing more is tried: the file would have a gap.
    if (logLinesLost_ == 0) {
        logFile_ << line << '\n' << std::flush;
        if (logFile_) {
            ++logLinesWritten_;
            return;
        }
    }
    ++logLinesLost_;
}

std::string HostState::finishLogFile() {
    if (!logFile_.is_open()) return {};
    logFile_.close();
    const bool closed = !logFile_.fail();
    const std::size_t written = logLinesWritten_, lost = logLinesLost_;
    logLinesWritten_ = logLinesLost_ = 0;
    if (lost == 0 && closed) return {};
    return logPath_ + ": the log file could not be written completely (" + std::to_string(written) + " of " +
           std::to_string(written + lost) + " lines written)";
}

void HostState::openLogFile(const std::string& path) {
    if (logFile_.is_open()) logFile_.close();
    logFile_.clear();
    logFile_.open(path, std::ios::out | std::ios::trunc);
    logPath_ = path;
    logLinesWritten_ = logLinesLost_ = 0;
    if (!logFile_) throw std::runtime_error(path + ": cannot open the log file for writing");
}

std::string describe(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_null()) return "cancel";
    if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
    return value.dump();
}

std::optional<nlohmann::json> HostState::ask(const DialogRequest& request) {
    if (!runError.empty()) {
        record(request.kind, request.text, "cancel (run ended)");
        return std::nullopt;
    }
    return answerer_->answer(*this, request);
}

std::optional<nlohmann::json> JobScript::answer(HostState& host, const DialogRequest& request) {
    const std::string& kind = request.kind;
    const std::string& text = request.text;
    if (answers_.empty()) {
        if (host.interactive) {
            std::cout << "Talvora> " << text << "\n  (" << kind << ") answer: " << std::flush;
            std::string line;
            if (std::getline(std::cin, line)) {
                nlohmann::json value = nlohmann::json::parse(line, nullptr, false);
                if (value.is_discarded()) value = line;  // plain text, a path say
                host.record(kind, text, describe(value));
                return value;
            }
        }
        host.runError = "the job has no answer left for the " + kind + " dialog \"" + text + "\"";
        host.record(kind, text, "cancel (no answer)");
        return std::nullopt;
    }
    ScriptedAnswer next = answers_.front();
    answers_.pop_front();
    if (next.expect && text.find(*next.expect) == std::string::npos) {
        host.runError = "the job expected a dialog containing \"" + *next.expect +
                        "\" but the plug-in asked the " + kind + " dialog \"" + text + "\"";
        host.record(kind, text, "cancel (unexpected prompt)");
        return std::nullopt;
    }
    host.record(kind, text, describe(next.value));
    return next.value;
}

void HostState::record(const std::string& kind, const std::string& text, const std::string& answer) {
    events.push_back({kind, text, answer});
}

}  // namespace talvora::session
