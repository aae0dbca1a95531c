// A library with a plug-in's descriptive export but no createPlugin: the
// host must refuse it by name instead of calling through a null pointer.
#include "frame/plugin_interface.h"

TL_PLUGIN_EXPORT const char* getPluginName() {
    return "Not a plug-in";
}
