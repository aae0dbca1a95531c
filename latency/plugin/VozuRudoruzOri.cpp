#include "latency/plugin/VozuRudoruzOri.h"

#include "latency/plugin/host_access.h"
#include "latency/plugin/latency_mapping.h"

bool VozuRudoruzOri::initPlugin() {
    return true;
}

bool VozuRudoruzOri::execute() {
    if (!latency::host::bindAndCheckVersion()) return false;
    return latency::plugin::runLatencyMapping();
}
