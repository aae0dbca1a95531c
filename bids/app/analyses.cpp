#include "bids/app/analyses.h"

#include "bids/analyses/connectivity.h"
#include "bids/analyses/granger.h"
#include "bids/analyses/latency.h"

namespace bids::app {

Analyses builtInAnalyses() {
    Analyses analyses;
    analyses.participant["latency"] = analyses::runLatency;
    analyses.participant["granger"] = analyses::runGranger;
    analyses.participant["connectivity"] = analyses::runConnectivity;
    analyses.group["connectivity"] = analyses::runConnectivityGroup;
    return analyses;
}

}  // namespace bids::app
