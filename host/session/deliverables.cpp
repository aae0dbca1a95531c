#include "host/session/deliverables.h"

#include "frame/host_table.h"
#include "host/services/host_exports.h"
#include "host/platform/platform.h"

namespace talvora {
namespace {

// Binds a deliverable's table exactly as the plug-in would, against this
// host's own module, then counts what came back.
#define TALVORA_DEFINE_BINDING_REPORT(function, Table, SEL) \
    BindingReport function() {                              \
        BindingReport report;                               \
        report.listed = Table::kNrOfFunctions;              \
        void* module = platform::hostModule();              \
        if (!module) return report;                         \
        Table table;                                        \
        TALVORA_HOST_FUNCTIONS(TL_BIND_ONE_##SEL)           \
        report.exported = tl::countBound(table);            \
        platform::releaseHostModule(module);                \
        return report;                                      \
    }
TALVORA_DEFINE_BINDING_REPORT(latmapReport, tl::LatmapHostTable, L)
TALVORA_DEFINE_BINDING_REPORT(causalisReport, tl::CausalisHostTable, G)
TALVORA_DEFINE_BINDING_REPORT(mirelReport, tl::MirelHostTable, M)
TALVORA_DEFINE_BINDING_REPORT(nodoraReport, tl::NodoraHostTable, N)
#undef TALVORA_DEFINE_BINDING_REPORT

struct Deliverable {
    const char* name;
    const char* commandParameter;  // "" unless form-driven
    BindingReport (*bindingReport)();
    // Bytes of the buffer the plug-in hands to hxGetStringParameter.
    std::size_t stringParameterBuffer;
};

// Everything the host knows of each deliverable, in one place.
const Deliverable kDeliverables[] = {
    {"LatmapPlugin", "", latmapReport, tl::kPathCapacity},
    {"CausalisPlugin_v27", "COMMAND", causalisReport, tl::kPathCapacity},
    {"Mirel_r122", "task", mirelReport, 10240},  // file lists of a batch
    {"Nodora", "", nodoraReport, tl::kPathCapacity},
};

const Deliverable* find(const std::string& name) {
    for (const Deliverable& d : kDeliverables)
        if (name == d.name) return &d;
    return nullptr;
}

}  // namespace

BindingReport bindingReport(const std::string& deliverable) {
    const Deliverable* d = find(deliverable);
    return d ? d->bindingReport() : BindingReport{};
}

std::string commandParameterOf(const std::string& deliverable) {
    const Deliverable* d = find(deliverable);
    return d ? d->commandParameter : "";
}

std::size_t stringParameterBufferOf(const std::string& deliverable) {
    const Deliverable* d = find(deliverable);
    return d ? d->stringParameterBuffer : tl::kPathCapacity;
}

}  // namespace talvora
