#include "host/plugin_loader.h"

#include <dlfcn.h>

#include <filesystem>

namespace talvora {
namespace {

using StringExport = const char* (*)();
using CreateExport = PluginObject* (*)();

PluginInfo::Text readText(void* handle, const char* name) {
  PluginInfo::Text text;
  auto fn = reinterpret_cast<StringExport>(dlsym(handle, name));
  if (!fn) return text;
  text.present = true;
  const char* value = fn();
  text.null = value == nullptr;
  if (value) text.value = value;
  return text;
}

} // namespace

LoadedPlugin::LoadedPlugin(const std::string& path) {
  namespace fs = std::filesystem;
  if (!fs::exists(path)) throw PluginError(path + ": no such plug-in file");
  dlerror();
  // RTLD_LOCAL keeps each plug-in's frame to itself, as separate DLLs would.
  handle_ = dlopen(fs::absolute(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    throw PluginError(path + ": the plug-in library does not load: " + (why ? why : "unknown reason"));
  }
  if (!dlsym(handle_, "createPlugin")) {
    dlclose(handle_);
    handle_ = nullptr;
    throw PluginError(path + ": not a Talvora plug-in (it exports no createPlugin)");
  }
  info_.path = path;
  info_.deliverable = fs::path(path).stem().string();
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

void* LoadedPlugin::symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void LoadedPlugin::create() {
  if (object_) return;
  auto create = reinterpret_cast<CreateExport>(dlsym(handle_, "createPlugin"));
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

} // namespace talvora
