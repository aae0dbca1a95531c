// TalvoraTestPlugin: a tiny plug-in for the host's tests. It binds the few
// host functions it needs by name, as every plug-in does, and on `execute`
// does what the script parameter "TestAction" says, so a test drives the
// host through a real plug-in library without any of the four analysis
// plug-ins:
//   "log:TEXT"      one log line TEXT
//   "message:TEXT"  a message box
// where "%HH" in TEXT is the byte of hexadecimal value HH (a job file is
// UTF-8, the texts a plug-in hands the host need not be)
//   "fail"          execute returns false
//   "write:NAME"    writes the file NAME (in the run's folder) and tells the
//                   host it was written, as a plug-in's results are
//   "abort:TEXT"    one log line TEXT, then the plug-in crashes (abort)
//   anything else   nothing; execute returns true
#include "frame/host_records.h"
#include "frame/module_lookup.h"
#include "frame/plugin_interface.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using LogText = void (*)(const char*);
using GetStringParameter = int (*)(const char*, char*);
using NoteFileOutcome = void (*)(const char*, int);

struct Host {
    LogText hxLogText = nullptr;
    LogText hxMessageBox = nullptr;
    GetStringParameter hxGetStringParameter = nullptr;
    NoteFileOutcome talvoraNoteFileOutcome = nullptr;
};

Host g_host;

bool bindHost() {
    tl::platform::ModuleHandle module = tl::platform::GetModuleHandleA("Talvora.exe");
    if (!module) return false;
    g_host.hxLogText = reinterpret_cast<LogText>(tl::platform::GetProcAddress(module, "hxLogText"));
    g_host.hxMessageBox = reinterpret_cast<LogText>(tl::platform::GetProcAddress(module, "hxMessageBox"));
    g_host.hxGetStringParameter =
        reinterpret_cast<GetStringParameter>(tl::platform::GetProcAddress(module, "hxGetStringParameter"));
    g_host.talvoraNoteFileOutcome =
        reinterpret_cast<NoteFileOutcome>(tl::platform::GetProcAddress(module, "talvoraNoteFileOutcome"));
    return g_host.hxLogText && g_host.hxMessageBox && g_host.hxGetStringParameter &&
           g_host.talvoraNoteFileOutcome;
}

std::string stringParameter(const char* name) {
    static char buffer[tl::kPathCapacity];  // what the host writes for an unknown deliverable
    buffer[0] = '\0';
    g_host.hxGetStringParameter(name, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

std::string decoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

class TestPlugin : public TLPluginInterface {
public:
    bool initPlugin() override { return bindHost(); }
    bool execute() override {
        const std::string action = stringParameter("TestAction");
        const auto rest = [&](const std::string& prefix) { return action.substr(prefix.size()); };
        if (action.rfind("log:", 0) == 0) g_host.hxLogText(decoded(rest("log:")).c_str());
        if (action.rfind("message:", 0) == 0) g_host.hxMessageBox(decoded(rest("message:")).c_str());
        if (action.rfind("write:", 0) == 0) {
            const std::string name = rest("write:");
            std::ofstream(name) << "written by the test plug-in\n";
            g_host.talvoraNoteFileOutcome(name.c_str(), 1);
        }
        if (action.rfind("abort:", 0) == 0) {
            g_host.hxLogText(decoded(rest("abort:")).c_str());
            std::abort();
        }
        return action != "fail";
    }
};

}  // namespace

TL_PLUGIN_EXPORT TLPluginInterface* createPlugin() {
    return new TestPlugin();
}
TL_PLUGIN_EXPORT const char* getPluginName() {
    return "Talvora test plug-in";
}
