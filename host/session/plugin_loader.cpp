#include "host/session/plugin_loader.h"

#include "host/platform/platform.h"

#include <filesystem>

namespace talvora::session {
namespace {

using StringExport = const char* (*)();
using CreateExport = PluginObject* (*)();

PluginInfo::Text readText(void* handle, const char* name) {
    PluginInfo::Text text;
    auto fn = reinterpret_cast<StringExport>(platform::librarySymbol(handle, name));
    if (!fn) return text;
    text.present = true;
    const char* value = fn();
    text.null = value == nullptr;
    if (value) text.value = value;
    return text;
}

}  // namespace

LoadedPlugin::LoadedPlugin(const std::string& path) {
    namespace fs = std::filesystem;
    if (!fs::exists(fs::u8path(path))) throw PluginError(path + ": no such plug-in file");
    std::string why;
    handle_ = platform::openLibrary(fs::u8path(path), why);
    if (!handle_) throw PluginError(path + ": the plug-in library does not load: " + why);
    if (!platform::librarySymbol(handle_, "createPlugin")) {
        platform::closeLibrary(handle_);
        handle_ = nullptr;
        throw PluginError(path + ": not a Talvora plug-in (it exports no createPlugin)");
    }
    info_.path = path;
    info_.deliverable = fs::u8path(path).stem().u8string();
    info_.name = readText(handle_, "getPluginName");
    info_.description = readText(handle_, "getPluginDescription");
    info_.author = readText(handle_, "getAuthor");
    info_.helpFile = readText(handle_, "getHelpFile");
    info_.version = readText(handle_, "getPluginVersion");
    info_.qmlFile = readText(handle_, "getQMLFile");
    info_.guiScript = readText(handle_, "getGUIScript");
    info_.registration = readText(handle_, "getRegistrationOfGenericComponentLoader");
}

LoadedPlugin::~LoadedPlugin() {
    destroy();
    // Libraries stay mapped: Qt and static objects of a plug-in may still hold
    // addresses into them until the process ends, as in the real host.
}

void* LoadedPlugin::symbol(const char* name) const {
    return platform::librarySymbol(handle_, name);
}

void LoadedPlugin::create() {
    if (object_) return;
    auto create = reinterpret_cast<CreateExport>(platform::librarySymbol(handle_, "createPlugin"));
    object_ = create();
    if (!object_) throw PluginError(info_.path + ": createPlugin returned no object");
}

bool LoadedPlugin::initPlugin() {
    if (!object_) create();
    return object_->initPlugin();
}

bool LoadedPlugin::execute() {
    if (!object_) create();
    return object_->execute();
}

void LoadedPlugin::destroy() {
    delete object_;
    object_ = nullptr;
}

}  // namespace talvora::session
