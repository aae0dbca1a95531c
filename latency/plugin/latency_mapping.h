#pragma once
// One latency-mapping run on the bound host table, with nothing escaping as
// an exception: a failure is logged and ends this run only.

namespace latency::plugin {

// The result execute gives back to the host.
bool runLatencyMapping();

}  // namespace latency::plugin
