#include "latency/plugin/latency_mapping.h"

#include <exception>
#include <memory>
#include <new>

#include "latency/plugin/host_access.h"
#include "latency/plugin/latency_run.h"
#include "latency/numeric/fatal_error.h"
#include "latency/io/text_format.h"

namespace latency::plugin {

using namespace latency::core;
using namespace latency::io;

bool runLatencyMapping() {
    // Nothing may reach the host as an exception: a numerical failure (the
    // report is already on stderr) or an allocation failure ends this run only.
    try {
        auto run = std::make_unique<LatencyRun>();
        return run->run();
    } catch (const numeric::FatalError& e) {
        host::log(formatText("VOZU Rudoruz Ori> Numerical error: %s. Exiting plugin...", e.what()));
    } catch (const std::bad_alloc&) {
        host::log("VOZU Rudoruz Ori> Not enough memory for this run. Exiting plugin...");
    } catch (const std::exception& e) {
        host::log(formatText("VOZU Rudoruz Ori> Run failed: %s. Exiting plugin...", e.what()));
    } catch (...) {
        host::log("VOZU Rudoruz Ori> Run failed. Exiting plugin...");
    }
    return false;
}

}  // namespace latency::plugin
