#include "frame/host_access.h"

#include "frame/atomic_file.h"
#include "frame/module_lookup.h"

namespace tl {
namespace {

platform::ModuleHandle findHostModule(const Deliverable& deliverable) {
    for (const char* name : deliverable.hostModules)
        if (platform::ModuleHandle module = platform::GetModuleHandleA(name)) return module;
    return nullptr;
}

void bindExtensions(const Deliverable& deliverable, platform::ModuleHandle module, HostTable& table) {
    if (deliverable.uses(HostExtension::NoteFileOutcome))
        table.talvoraNoteFileOutcome = reinterpret_cast<decltype(table.talvoraNoteFileOutcome)>(
            platform::GetProcAddress(module, "talvoraNoteFileOutcome"));
    if (deliverable.uses(HostExtension::FixedClock))
        table.talvoraFixedClock = reinterpret_cast<decltype(table.talvoraFixedClock)>(
            platform::GetProcAddress(module, "talvoraFixedClock"));
}

}  // namespace

bool HostAccess::bind() {
    table_ = HostTable{};
    setFileOutcomeListener(nullptr);
    platform::ModuleHandle module = findHostModule(deliverable_);
    if (!module) return false;
    const HostFunction version = deliverable_.versionGate.versionFunction;
    storeHostFunction(table_, version, platform::GetProcAddress(module, hostFunctionName(version)));
    if (!isBound(table_, version)) return false;
    for (int i = 0; i < kNrOfHostFunctions; ++i) {
        const auto function = static_cast<HostFunction>(i);
        if (function == version || !deliverable_.calls(function)) continue;
        storeHostFunction(table_, function, platform::GetProcAddress(module, hostFunctionName(function)));
    }
    bindExtensions(deliverable_, module, table_);
    setFileOutcomeListener(table_.talvoraNoteFileOutcome);
    return true;
}

bool HostAccess::versionAccepted() const {
    const VersionGate& gate = deliverable_.versionGate;
    using GetVersion = void (*)(int*, int*, int*);
    GetVersion getVersion = gate.versionFunction == HostFunction::hxGetVersionOfTalvoraHX
                                ? GetVersion(table_.hxGetVersionOfTalvoraHX)
                                : GetVersion(table_.tlGetVersionOfTalvora);
    if (!getVersion) return false;
    return hostVersionAccepted(getVersion, table_.hxMessageBox, gate.minimum, gate.tooOldMessage);
}

const char* HostAccess::firstMissing(std::initializer_list<HostFunction> functions) const {
    for (HostFunction function : functions)
        if (!deliverable_.calls(function) || !isBound(table_, function)) return hostFunctionName(function);
    return nullptr;
}

std::string HostAccess::textOf(const std::vector<char>& buffer) {
    std::size_t length = 0;
    while (length + 1 < buffer.size() && buffer[length] != '\0') ++length;
    return std::string(buffer.data(), length);
}

}  // namespace tl
