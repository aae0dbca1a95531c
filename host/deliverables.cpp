#include "host/deliverables.h"

#include "frame/host_table.h"
#include "host/host_exports.h"

#include <dlfcn.h>

namespace talvora {
namespace {

// This library itself, found through one of its own symbols.
void* ownModule() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&talvoraHostModuleName), &info)) return nullptr;
  return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
}

template <class Table>
BindingReport count() {
  BindingReport report;
  report.listed = Table::kNrOfFunctions;
  void* module = ownModule();
  if (!module) return report;
  Table table;
#define TL_REPORT_BIND(name, n, m, g, l, typed, ret, params) TL_REPORT_BIND_I(name, n, m, g, l)
  // Bind exactly as the plug-in would, then count what came back.
  if constexpr (std::is_same_v<Table, tl::NodoraHostTable>) {
#define TL_REPORT_BIND_I(name, n, m, g, l) TL_BIND(n, table, module, name)
    TALVORA_HOST_FUNCTIONS(TL_REPORT_BIND)
#undef TL_REPORT_BIND_I
  } else if constexpr (std::is_same_v<Table, tl::MirelHostTable>) {
#define TL_REPORT_BIND_I(name, n, m, g, l) TL_BIND(m, table, module, name)
    TALVORA_HOST_FUNCTIONS(TL_REPORT_BIND)
#undef TL_REPORT_BIND_I
  } else if constexpr (std::is_same_v<Table, tl::CausalisHostTable>) {
#define TL_REPORT_BIND_I(name, n, m, g, l) TL_BIND(g, table, module, name)
    TALVORA_HOST_FUNCTIONS(TL_REPORT_BIND)
#undef TL_REPORT_BIND_I
  } else {
#define TL_REPORT_BIND_I(name, n, m, g, l) TL_BIND(l, table, module, name)
    TALVORA_HOST_FUNCTIONS(TL_REPORT_BIND)
#undef TL_REPORT_BIND_I
  }
#undef TL_REPORT_BIND
  report.exported = tl::countBound(table);
  dlclose(module);
  return report;
}

} // namespace

BindingReport bindingReport(const std::string& deliverable) {
  if (deliverable == "Nodora") return count<tl::NodoraHostTable>();
  if (deliverable == "Mirel_r122") return count<tl::MirelHostTable>();
  if (deliverable == "CausalisPlugin_v27") return count<tl::CausalisHostTable>();
  if (deliverable == "LatmapPlugin") return count<tl::LatmapHostTable>();
  return {};
}

std::string commandParameterOf(const std::string& deliverable) {
  if (deliverable == "CausalisPlugin_v27") return "COMMAND";
  if (deliverable == "Mirel_r122") return "task";
  return "";
}

} // namespace talvora
