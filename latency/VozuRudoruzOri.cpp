#include "latency/VozuRudoruzOri.h"

#include "latency/host_access.h"
#include "latency/latency_mapping.h"

bool VozuRudoruzOri::initPlugin() {
    return true;
}

bool VozuRudoruzOri::execute() {
    if (!latency::host::bindAndCheckVersion()) return false;
    return latency::runLatencyMapping();
}
