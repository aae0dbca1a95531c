// Host functions of the application families: version and paths, log,
// message boxes and input dialogs, busy cursor, script parameters.
#include "host/services/host_exports.h"
#include "host/documents/doc_store.h"
#include "host/session/host_state.h"
#include "host/services/text_copy.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>

using nlohmann::json;
using talvora::HostState;

namespace {

HostState& host() {
    return HostState::instance();
}

// Copies text into a plug-in buffer of tl::kPathCapacity bytes; false when
// it does not fit (the buffer is left empty and the dialog is treated as
// cancelled).
bool copyOut(const std::string& text, char* out) {
    if (!out) return false;
    if (talvora::copyText(out, tl::kPathCapacity, text)) return true;
    host().runError = "the answer \"" + text + "\" is longer than a host text buffer (" +
                      std::to_string(tl::kPathCapacity - 1) + " characters)";
    out[0] = '\0';
    return false;
}

void answerMismatch(const char* kind, const std::string& text, const json& value, const std::string& why) {
    if (host().runError.empty())
        host().runError =
            "the answer " + value.dump() + " does not fit the " + kind + " dialog \"" + text + "\": " + why;
}

std::string str(const char* s) {
    return s ? s : "";
}

}  // namespace

TALVORA_HOST_EXPORT const char* talvoraHostModuleName() {
    return host().moduleName.c_str();
}

void hxGetVersionOfTalvoraHX(int* major, int* minor, int* patch) {
    tlGetVersionOfTalvora(major, minor, patch);
}
void tlGetVersionOfTalvora(int* major, int* minor, int* patch) {
    if (major) *major = host().version.major;
    if (minor) *minor = host().version.minor;
    if (patch) *patch = host().version.patch;
}
int hxGetTalvoraHXPath(char* path) {
    return copyOut(host().hostPath, path);
}
int tlGetTalvoraPath(char* path) {
    return copyOut(host().hostPath, path);
}
int hxGetPluginsPath(char* path) {
    return copyOut(host().pluginsPath, path);
}

void hxShowLogPane() {}
void hxShowLogTab() {}
// A line may arrive with its own end of line; the log adds one per call.
void hxLogText(const char* text) {
    std::string line = str(text);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    host().log(line);
}

void hxMessageBox(const char* text) {
    host().record("message", str(text), "");
    if (host().echo) std::cout << "Talvora> [message] " << str(text) << '\n' << std::flush;
    host().answerer().showMessage(str(text));
}

int hxYesNoMessageBox(const char* question) {
    const std::string text = str(question);
    auto answer = host().ask({"yesno", text, text, {}, {}, 0, 0});
    if (!answer) return 0;
    if (answer->is_boolean()) return answer->get<bool>() ? 1 : 0;
    if (answer->is_string()) {
        const auto s = answer->get<std::string>();
        if (s == "yes" || s == "y") return 1;
        if (s == "no" || s == "n") return 0;
    }
    answerMismatch("yes/no", text, *answer, "give true, false, \"yes\" or \"no\"");
    return 0;
}

int hxGetIntegerInput(const char* prompt, int defaultValue, int minimum, int maximum) {
    const std::string text = str(prompt);
    auto answer = host().ask({"integer", text, text, {}, defaultValue, double(minimum), double(maximum)});
    if (!answer || answer->is_null()) return minimum - 1;  // cancelled
    if (answer->is_string() && answer->get<std::string>() == "default") return defaultValue;
    if (!answer->is_number_integer()) {
        answerMismatch("integer", text, *answer, "give a whole number, \"default\" or null to cancel");
        return minimum - 1;
    }
    // Compared in the JSON's own type: 18446744073709551615 read as a long
    // long is -1, which a range from -10 would take.
    const bool tooLarge =
        answer->is_number_unsigned() &&
        answer->get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<long long>::max());
    const long long v = tooLarge ? std::numeric_limits<long long>::max() : answer->get<long long>();
    if (v < minimum || v > maximum) {
        answerMismatch("integer", text, *answer,
                       "outside " + std::to_string(minimum) + " … " + std::to_string(maximum));
        return minimum - 1;
    }
    return static_cast<int>(v);
}

float hxGetFloatInput(const char* prompt, float defaultValue, float minimum, float maximum) {
    const std::string text = str(prompt);
    auto answer = host().ask({"float", text, text, {}, defaultValue, minimum, maximum});
    if (!answer || answer->is_null()) return minimum - 1.0f;
    if (answer->is_string() && answer->get<std::string>() == "default") return defaultValue;
    if (!answer->is_number()) {
        answerMismatch("float", text, *answer, "give a number, \"default\" or null to cancel");
        return minimum - 1.0f;
    }
    const double v = answer->get<double>();
    if (!std::isfinite(v) || v < minimum || v > maximum) {
        answerMismatch("float", text, *answer,
                       "outside " + std::to_string(minimum) + " … " + std::to_string(maximum));
        return minimum - 1.0f;
    }
    return static_cast<float>(v);
}

int hxGetTextInput(const char* prompt, const char* defaultText, char* result) {
    const std::string text = str(prompt);
    auto answer = host().ask({"text", text, text, {}, str(defaultText), 0, 0});
    if (!answer || answer->is_null()) return 0;
    if (answer->is_string() && answer->get<std::string>() == "default")
        return copyOut(str(defaultText), result);
    if (!answer->is_string()) {
        answerMismatch("text", text, *answer, "give a string or null to cancel");
        return 0;
    }
    return copyOut(answer->get<std::string>(), result);
}

namespace {
int fileDialog(const char* kind, const char* title, const char* filter, char* result) {
    const std::string text = str(title);
    auto answer = host().ask({kind, text + " [" + str(filter) + "]", text, str(filter), {}, 0, 0});
    if (!answer || answer->is_null()) return 0;
    if (!answer->is_string()) {
        answerMismatch(kind, text, *answer, "give a path or null to cancel");
        return 0;
    }
    std::string path = answer->get<std::string>();
    const std::string& base = std::strcmp(kind, "open") == 0 ? host().openBase : host().saveBase;
    // A path with a root ("/data/x", "C:\\data\\x") is taken as it stands.
    if (!path.empty() && !std::filesystem::u8path(path).has_root_directory() && !base.empty())
        path = (std::filesystem::u8path(base) / std::filesystem::u8path(path)).u8string();
    return copyOut(path, result) ? 1 : 0;
}
}  // namespace

int hxGetOpenFileName(const char* title, const char*, const char* filter, char* result) {
    return fileDialog("open", title, filter, result);
}
int hxGetSaveFileName(const char* title, const char*, const char* filter, char* result) {
    return fileDialog("save", title, filter, result);
}

void hxUpdateActiveWindow() {}
void hxShowBusyCursor() {
    ++host().busyDepth;
}
void hxStopBusyCursor() {
    if (host().busyDepth > 0) --host().busyDepth;
}

int hxGetStringParameter(const char* name, char* value) {
    auto it = host().parameters.find(str(name));
    if (it == host().parameters.end()) {
        if (value) value[0] = '\0';
        return 0;
    }
    // The plug-in's buffer, not the host's path size, bounds what fits.
    const std::string text = it->second.is_string() ? it->second.get<std::string>() : it->second.dump();
    if (!value) return 0;
    if (talvora::copyText(value, host().stringParameterBuffer, text)) return 1;
    host().runError = "the parameter \"" + str(name) + "\" is longer than the plug-in's text buffer (" +
                      std::to_string(host().stringParameterBuffer - 1) + " characters)";
    value[0] = '\0';
    return 0;
}
int hxGetIntParameter(const char* name) {
    auto it = host().parameters.find(str(name));
    if (it == host().parameters.end() || !it->second.is_number()) return 0;
    // Checked as a double before converting: an int cannot hold 1e10.
    const double value = std::trunc(it->second.get<double>());
    if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())) {
        talvora::logHostProblem("the parameter \"" + str(name) + "\" (" + it->second.dump() +
                                ") is outside the range of a whole number; 0 is given");
        return 0;
    }
    return static_cast<int>(value);
}
float hxGetFloatParameter(const char* name) {
    auto it = host().parameters.find(str(name));
    if (it == host().parameters.end() || !it->second.is_number()) return 0.0f;
    const double value = it->second.get<double>();
    if (!(std::fabs(value) <= std::numeric_limits<float>::max())) {
        talvora::logHostProblem("the parameter \"" + str(name) + "\" (" + it->second.dump() +
                                ") is outside the range of a float; 0 is given");
        return 0.0f;
    }
    return static_cast<float>(value);
}
void hxSetStringParameter(const char* name, const char* value) {
    host().parameters[str(name)] = str(value);
}
void hxSetIntParameter(const char* name, int value) {
    host().parameters[str(name)] = value;
}
void hxSetFloatParameter(const char* name, float value) {
    host().parameters[str(name)] = value;
}
