#include "host/session/job.h"

#include "host/documents/documents.h"
#include "host/session/host_session.h"
#include "host/platform/platform.h"
#include "host/documents/doc_store.h"
#include "host/session/plugin_run.h"

#include "host/formats/format_io.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>

namespace talvora::session {
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Far more than any job with its answers needs.
constexpr std::uint64_t kMaxJobBytes = 64ull << 20;

[[noreturn]] void fail(const fs::path& file, const std::string& what) {
    throw JobError(file.string() + ": " + what);
}

const json* member(const json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::string stringMember(const json& object, const char* key, const fs::path& file,
                         const std::string& where) {
    const json* value = member(object, key);
    if (!value) fail(file, where + "\"" + key + "\" is missing");
    if (!value->is_string()) fail(file, where + "\"" + key + "\" must be a string");
    return value->get<std::string>();
}

ScriptedAnswer parseAnswer(const json& item, const fs::path& file, size_t index) {
    ScriptedAnswer answer;
    if (item.is_object()) {
        const json* value = member(item, "value");
        if (!value) fail(file, "answer " + std::to_string(index + 1) + " has no \"value\"");
        answer.value = *value;
        if (const json* expect = member(item, "expect")) {
            if (!expect->is_string())
                fail(file, "answer " + std::to_string(index + 1) + ": \"expect\" must be a string");
            answer.expect = expect->get<std::string>();
        }
        for (auto it = item.begin(); it != item.end(); ++it)
            if (it.key() != "value" && it.key() != "expect")
                fail(file,
                     "answer " + std::to_string(index + 1) + " has an unknown key \"" + it.key() + "\"");
    } else if (item.is_array()) {
        fail(file, "answer " + std::to_string(index + 1) + " must be a value or an object, not an array");
    } else {
        answer.value = item;
    }
    return answer;
}

}  // namespace

tl::Version parseVersion(const std::string& text) {
    tl::Version v;
    int* parts[] = {&v.major, &v.minor, &v.patch};
    std::istringstream in(text);
    std::string piece;
    int i = 0;
    while (std::getline(in, piece, '.')) {
        if (i == 3 || piece.empty() || piece.find_first_not_of("0123456789") != std::string::npos ||
            piece.size() > 6)
            throw std::invalid_argument("\"" + text + "\" is not a version like 23.0.0");
        *parts[i++] = std::stoi(piece);
    }
    if (i == 0) throw std::invalid_argument("\"" + text + "\" is not a version like 23.0.0");
    return v;
}

Job parseJob(const json& root, const fs::path& file) {
    if (!root.is_object()) fail(file, "a job file must hold one JSON object");
    static const char* const known[] = {"plugin",  "host",       "work_dir", "log_file",   "documents",
                                        "answers", "parameters", "commands", "executions", "comment"};
    for (auto it = root.begin(); it != root.end(); ++it) {
        bool ok = false;
        for (const char* k : known) ok = ok || it.key() == k;
        if (!ok) fail(file, "unknown key \"" + it.key() + "\"");
    }
    Job job;
    job.file = fs::absolute(file);
    const fs::path dir = job.file.parent_path();
    job.plugin = stringMember(root, "plugin", file, "");
    if (job.plugin.empty()) fail(file, "\"plugin\" is empty");
    job.workDir = dir;
    if (const json* host = member(root, "host")) {
        if (!host->is_object()) fail(file, "\"host\" must be an object");
        if (member(*host, "version")) {
            try {
                job.hostVersion = parseVersion(stringMember(*host, "version", file, "host: "));
            } catch (const std::invalid_argument& e) {
                fail(file, std::string("host: \"version\": ") + e.what());
            }
        }
        if (member(*host, "module")) job.moduleName = stringMember(*host, "module", file, "host: ");
    }
    if (member(root, "work_dir")) job.workDir = dir / fs::u8path(stringMember(root, "work_dir", file, ""));
    if (member(root, "log_file")) job.logFile = stringMember(root, "log_file", file, "");
    if (const json* docs = member(root, "documents")) {
        if (!docs->is_object()) fail(file, "\"documents\" must be an object");
        job.documents = *docs;
    }
    if (const json* answers = member(root, "answers")) {
        if (!answers->is_array()) fail(file, "\"answers\" must be an array");
        for (size_t i = 0; i < answers->size(); ++i)
            job.answers.push_back(parseAnswer((*answers)[i], file, i));
    }
    if (const json* params = member(root, "parameters")) {
        if (!params->is_object()) fail(file, "\"parameters\" must be an object");
        job.parameters = *params;
    }
    if (const json* commands = member(root, "commands")) {
        if (!commands->is_array()) fail(file, "\"commands\" must be an array");
        for (size_t i = 0; i < commands->size(); ++i) {
            const json& c = (*commands)[i];
            const std::string where = "command " + std::to_string(i + 1) + ": ";
            if (!c.is_object()) fail(file, where + "must be an object");
            JobCommand command;
            command.command = stringMember(c, "command", file, where);
            if (const json* p = member(c, "parameters")) {
                if (!p->is_object()) fail(file, where + "\"parameters\" must be an object");
                command.parameters = *p;
            }
            if (const json* p = member(c, "print")) {
                if (!p->is_array()) fail(file, where + "\"print\" must be an array of names");
                for (const json& name : *p) {
                    if (!name.is_string()) fail(file, where + "\"print\" must be an array of names");
                    command.print.push_back(name.get<std::string>());
                }
            }
            job.commands.push_back(std::move(command));
        }
    }
    if (const json* n = member(root, "executions")) {
        // Compared in the JSON's own integer type: a conversion to int first
        // would turn 4294967297 into 1.
        const bool inRange =
            n->is_number_unsigned()  ? n->get<std::uint64_t>() >= 1 && n->get<std::uint64_t>() <= 100
            : n->is_number_integer() ? n->get<std::int64_t>() >= 1 && n->get<std::int64_t>() <= 100
                                     : false;
        if (!inRange) fail(file, "\"executions\" must be a whole number from 1 to 100");
        job.executions = static_cast<int>(n->get<std::int64_t>());
    }
    return job;
}

Job readJob(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) fail(file, "cannot open the job file");
    std::string text;
    try {
        // A job is a small text; a folder, a device or a pipe is refused by name.
        text = formats::readWholeFile(file, kMaxJobBytes);
    } catch (const std::exception& e) {
        throw JobError(e.what());
    }
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        fail(file, std::string("not valid JSON: ") + e.what());
    } catch (const json::exception& e) {
        // A number beyond what a double holds (1e400), say.
        fail(file, std::string("not usable JSON: ") + e.what());
    }
    try {
        return parseJob(root, file);
    } catch (const JobError&) {
        throw;
    } catch (const std::exception& e) {
        fail(file, e.what());
    }
}

fs::path resolvePluginPath(const std::string& plugin, const fs::path& jobDir, const fs::path& pluginsDir) {
    const bool isPath = plugin.find('/') != std::string::npos || fs::path(plugin).has_extension();
    if (isPath) {
        const fs::path p = fs::u8path(plugin);
        return p.is_absolute() ? p : jobDir / p;
    }
    fs::path candidate = pluginsDir / fs::u8path(plugin + platform::pluginSuffix());
    if (!fs::exists(candidate))
        throw JobError("unknown plug-in \"" + plugin + "\": no " + candidate.string());
    return candidate;
}

void openJobDocuments(const Job& job) {
    try {
        openDocuments(job.documents, job.file.parent_path());
    } catch (const std::exception& e) {
        throw JobError(e.what());
    }
}

RunResult runJob(const Job& job, const fs::path& pluginsDir) {
    HostSession::current().beginJob();
    HostState& host = HostState::instance();
    const fs::path pluginPath = resolvePluginPath(job.plugin, job.file.parent_path(), pluginsDir);

    std::error_code ec;
    fs::create_directories(job.workDir, ec);
    if (ec) throw JobError(job.workDir.string() + ": cannot create the working folder: " + ec.message());

    host.version = job.hostVersion;
    host.moduleName = job.moduleName;
    // Where the system names the host after its program file, that name wins.
    if (const std::string fixed = platform::fixedHostModuleName(); !fixed.empty()) {
        if (job.moduleName != "Talvora.exe" && job.moduleName != fixed)
            std::cerr << "talvora: warning: this host is found as " << fixed << " (its file name), not as "
                      << job.moduleName << "; copy the program to that name to run as it\n";
        host.moduleName = fixed;
    }
    host.pluginsPath = fs::absolute(pluginPath).parent_path().string() + "/";
    host.openBase = job.file.parent_path().string();
    host.saveBase = job.workDir.string();
    host.setAnswerer(nullptr);  // a job answers from its own script
    host.setAnswers(job.answers);
    host.runError.clear();
    host.openLogFile((job.workDir / job.logFile).string());
    for (auto it = job.parameters.begin(); it != job.parameters.end(); ++it)
        host.parameters[it.key()] = it.value();

    openJobDocuments(job);

    PluginRun run(pluginPath);
    // Plug-ins write their result files into the current folder.
    const fs::path before = fs::current_path();
    fs::current_path(job.workDir);
    struct Restore {
        fs::path dir;
        ~Restore() {
            std::error_code e;
            fs::current_path(dir, e);
        }
    } restore{before};

    if (!run.start()) {
        run.finish();
        return run.result();
    }
    if (!job.commands.empty()) {
        if (run.commandParameter().empty())
            throw JobError(job.file.string() + ": \"commands\" are for form-driven plug-ins; " +
                           run.plugin().info().deliverable + " is not one");
        for (const JobCommand& command : job.commands) {
            run.runCommand(command.command, command.parameters, command.print);
            if (!host.runError.empty()) break;
        }
    } else {
        for (int i = 0; i < job.executions && host.runError.empty(); ++i) run.execute();
    }
    run.finish();
    return run.result();
}

}  // namespace talvora::session
