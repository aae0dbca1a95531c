// The stand-in host's process-wide state: identity, log, scripted dialogs and
// script parameters. Host functions exported to the plug-ins act on it.
#pragma once

#include "frame/host_records.h"
#include "frame/version_gate.h"
#include "host/session/dialog_answerer.h"

#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace talvora::session {

// One dialog the host showed for a plug-in, with the answer it gave.
struct DialogEvent {
    std::string kind;    // "message", "yesno", "integer", "float", "text", "open", "save"
    std::string text;    // prompt, question, title or message
    std::string answer;  // as given back to the plug-in; empty for messages
};

// A scripted answer: the value, and optionally the prompt it must answer.
struct ScriptedAnswer {
    nlohmann::json value;
    std::optional<std::string> expect;  // a text the prompt must contain
};

// The job file's answers, in order; when they run out, the terminal (when
// the host is interactive) or the end of the run.
class JobScript : public DialogAnswerer {
public:
    std::optional<nlohmann::json> answer(HostState& host, const DialogRequest& request) override;
    void set(std::vector<ScriptedAnswer> answers) { answers_.assign(answers.begin(), answers.end()); }
    std::size_t remaining() const { return answers_.size(); }
    void clear() { answers_.clear(); }

private:
    std::deque<ScriptedAnswer> answers_;
};

class HostState {
public:
    // The current session's state (host/session/host_session.h).
    static HostState& instance();

    // Back to a fresh host: default identity, empty log, no answers, no events.
    void reset();

    tl::Version version{24, 0, 0};
    std::string moduleName = "Talvora.exe";
    std::string hostPath = "/opt/talvora/";
    std::string pluginsPath = "/opt/talvora/plugins/";

    // Log pane: every line goes to stdout (when echo is on) and the log file.
    void log(const std::string& line);
    void openLogFile(const std::string& path);
    // Closes the log file; "" when every line reached it, else why not (a full
    // disk, say), so the run can report a log that is cut short.
    std::string finishLogFile();
    std::vector<std::string> logLines;
    bool echo = true;
    // Told of every log line as it is written (GUI mode's log pane).
    std::function<void(const std::string&)> logObserver;

    // Dialog script: the job's answers (the answerer unless another is set).
    void setAnswers(std::vector<ScriptedAnswer> answers) { script_.set(std::move(answers)); }
    // Next answer for a dialog; nullopt when the run must end (answers ran out
    // or did not fit, or the run already ended). Records the event either way.
    std::optional<nlohmann::json> ask(const DialogRequest& request);
    std::optional<nlohmann::json> nextAnswer(const std::string& kind, const std::string& text) {
        return ask({kind, text, text, {}, {}, 0, 0});
    }
    size_t remainingAnswers() const { return script_.remaining(); }
    // Who answers from now on; nullptr: the job's script again. The answerer
    // stays set across jobs (it is how the host talks to its user).
    void setAnswerer(DialogAnswerer* answerer) { answerer_ = answerer ? answerer : &script_; }
    DialogAnswerer& answerer() { return *answerer_; }
    void record(const std::string& kind, const std::string& text, const std::string& answer);
    std::vector<DialogEvent> events;
    // First error of the run (unexpected prompt, answers ran out); once set,
    // every further dialog is cancelled so the plug-in stops in order.
    std::string runError;
    bool interactive = false;  // ask on the terminal when the script runs out
    int busyDepth = 0;
    // Relative paths in scripted file dialogs: open answers are taken from the
    // job's folder, save answers go to the run's working folder.
    std::string openBase, saveBase;

    // Script parameters shared with a plug-in's form.
    std::map<std::string, nlohmann::json> parameters;
    // Bytes of the running plug-in's buffer for hxGetStringParameter.
    std::size_t stringParameterBuffer = tl::kPathCapacity;

private:
    friend class HostSession;
    HostState() = default;
    JobScript script_;
    DialogAnswerer* answerer_ = &script_;
    std::ofstream logFile_;
    std::string logPath_;
    std::size_t logLinesWritten_ = 0;
    std::size_t logLinesLost_ = 0;
};

std::string describe(const nlohmann::json& value);

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
