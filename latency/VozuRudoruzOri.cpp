#include "latency/VozuRudoruzOri.h"

#include <exception>
#include <memory>
#include <new>

#include "frame/host_table_latmap.h"
#include "frame/version_gate.h"
#include "latency/host_access.h"
#include "latency/latency_run.h"
#include "latency/numeric/fatal_error.h"
#include "latency/text_format.h"

using tl::g_latmapHost;

bool VozuRudoruzOri::initPlugin() { return true; }

bool VozuRudoruzOri::execute() {
    // Bound on every run: the host may have changed since the last one.
    if (!tl::bindLatmapHostTable()) return false;
    if (!tl::hostVersionAccepted(g_latmapHost.tlGetVersionOfTalvora, g_latmapHost.hxMessageBox, {22, 0, 0},
                                 "Can not execute this plugin - Talvora version 22.0 or higher required."))
        return false;
    // Nothing may reach the host as an exception: a numerical failure (the
    // report is already on stderr) or an allocation failure ends this run only.
    try {
        auto run = std::make_unique<latency::LatencyRun>();
        return run->run();
    } catch (const latency::numeric::FatalError& e) {
        latency::host::log(latency::formatText(
            "VOZU Rudoruz Ori> Numerical error: %s. Exiting plugin...", e.what()));
    } catch (const std::bad_alloc&) {
        latency::host::log("VOZU Rudoruz Ori> Not enough memory for this run. Exiting plugin...");
    } catch (const std::exception& e) {
        latency::host::log(latency::formatText("VOZU Rudoruz Ori> Run failed: %s. Exiting plugin...",
                                               e.what()));
    } catch (...) {
        latency::host::log("VOZU Rudoruz Ori> Run failed. Exiting plugin...");
    }
    return false;
}
