// What the host knows of the four deliverables, read from their descriptors
// (frame/deliverables/): which host functions each binds, and which
// parameter carries a form-driven plug-in's command.
#pragma once

#include <cstddef>
#include <string>

namespace talvora {

struct BindingReport {
    int listed = 0;    // names in the deliverable's table
    int exported = 0;  // of those, how many this host exports
};

// Counts against this host's own module; listed = 0 for an unknown name.
BindingReport bindingReport(const std::string& deliverable);

// "COMMAND", "task", or "" for plug-ins that are not form-driven.
std::string commandParameterOf(const std::string& deliverable);

// Size of the buffer a deliverable passes to hxGetStringParameter: the host
// copies no more than that (the function takes no size); unknown libraries
// get the host's path capacity.
std::size_t stringParameterBufferOf(const std::string& deliverable);

}  // namespace talvora
