#include "host/session/deliverables.h"

#include "frame/deliverables.h"
#include "frame/module_lookup.h"
#include "host/platform/platform.h"

namespace talvora {
namespace {

const tl::Deliverable* find(const std::string& name) {
    for (const tl::Deliverable* d : tl::deliverables::kAll)
        if (name == d->name) return d;
    return nullptr;
}

}  // namespace

// Looks up each host function the deliverable binds in this host's own
// module, by name, exactly as the plug-in would.
BindingReport bindingReport(const std::string& deliverable) {
    BindingReport report;
    const tl::Deliverable* d = find(deliverable);
    if (!d) return report;
    report.listed = d->hostFunctions.count();
    void* module = platform::hostModule();
    if (!module) return report;
    for (int i = 0; i < tl::kNrOfHostFunctions; ++i) {
        const auto function = static_cast<tl::HostFunction>(i);
        if (d->calls(function) && tl::platform::GetProcAddress(module, tl::hostFunctionName(function)))
            ++report.exported;
    }
    platform::releaseHostModule(module);
    return report;
}

std::string commandParameterOf(const std::string& deliverable) {
    const tl::Deliverable* d = find(deliverable);
    return d ? d->form.command : "";
}

std::size_t stringParameterBufferOf(const std::string& deliverable) {
    const tl::Deliverable* d = find(deliverable);
    return d ? d->form.stringBuffer : tl::kPathCapacity;
}

}  // namespace talvora
