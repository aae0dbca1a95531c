// Loading a plug-in library by path and driving it through its plain exports.
#pragma once

#include "frame/plugin_interface.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace talvora::session {

class PluginError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The descriptive exports; an export the library lacks is "absent".
struct PluginInfo {
    std::string path;
    std::string deliverable;  // file name without folder and extension
    struct Text {
        bool present = false;
        bool null = false;
        std::string value;
    };
    Text name, description, author, helpFile, version, qmlFile, guiScript, registration;
};

// The host drives every plug-in through the three slots of the base class.
using PluginObject = TLPluginInterface;

class LoadedPlugin {
public:
    // Loads the library at `path`; throws PluginError naming the file when it
    // does not load or lacks createPlugin.
    explicit LoadedPlugin(const std::string& path);
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    const PluginInfo& info() const { return info_; }

    // createPlugin; throws when it returns null.
    void create();
    bool initPlugin();
    bool execute();
    // Destroys the object through its virtual destructor.
    void destroy();
    bool created() const { return object_ != nullptr; }

    void* symbol(const char* name) const;

private:
    void* handle_ = nullptr;
    PluginObject* object_ = nullptr;
    PluginInfo info_;
};

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
