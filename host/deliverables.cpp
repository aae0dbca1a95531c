#include "host/deliverables.h"

#include "frame/host_table.h"
#include "host/host_exports.h"
#include "host/platform.h"

namespace talvora {
namespace {

template <class Table>
BindingReport count() {
  BindingReport report;
  report.listed = Table::kNrOfFunctions;
  void* module = platform::hostModule();
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
  platform::releaseHostModule(module);
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
