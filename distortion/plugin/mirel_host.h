// The plug-in's one access to the host's functions, bound when the plug-in
// starts. A missing host function stops the command with "the host does not
// offer <name>".
#pragma once

#include "frame/plugin_hosts.h"

namespace distortion::plugin {

using F = tl::HostFunction;
inline const tl::HostAccess& host = tl::g_mirelAccess;

}  // namespace distortion::plugin
