// The plug-in base classes the host drives: a table of virtual operations
// whose slots are, in order, the destructor, execute and initPlugin.
#pragma once

class TLPluginInterface {
public:
    TLPluginInterface() = default;
    TLPluginInterface(const TLPluginInterface&) = default;
    TLPluginInterface& operator=(const TLPluginInterface&) = default;
    virtual ~TLPluginInterface() = default;
    virtual bool execute() = 0;
    virtual bool initPlugin() = 0;
};

// The older interface of the graph plug-in; the same shape.
class TLHXPluginInterface {
public:
    TLHXPluginInterface() = default;
    TLHXPluginInterface(const TLHXPluginInterface&) = default;
    TLHXPluginInterface& operator=(const TLHXPluginInterface&) = default;
    virtual ~TLHXPluginInterface() = default;
    virtual bool execute() = 0;
    virtual bool initPlugin() = 0;
};

namespace static_intf {
// Carried by the Granger plug-in; never instantiated.
class TLPluginInterface {
public:
    TLPluginInterface() = default;
    TLPluginInterface(const TLPluginInterface&) = default;
    TLPluginInterface& operator=(const TLPluginInterface&) = default;
    virtual ~TLPluginInterface() = default;
    virtual bool execute() = 0;
    virtual bool initPlugin() = 0;
};
}  // namespace static_intf

// Plain, undecorated entry points of a plug-in library.
#if defined(_WIN32)
#define TL_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define TL_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif
