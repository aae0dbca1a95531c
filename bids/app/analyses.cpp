#include "bids/app/analyses.h"

#include "bids/analyses/connectivity.h"
#include "bids/analyses/distortion.h"
#include "bids/analyses/granger.h"
#include "bids/analyses/granger_group.h"
#include "bids/analyses/latency.h"

namespace bids::app {

Analyses builtInAnalyses() {
    Analyses analyses;
    analyses.participant["latency"] = analyses::runLatency;
    analyses.participant["granger"] = analyses::runGranger;
    analyses.group["granger"] = analyses::runGrangerGroup;
    analyses.participant["distortion"] = analyses::runDistortion;
    analyses.participant["connectivity"] = analyses::runConnectivity;
    analyses.group["connectivity"] = analyses::runConnectivityGroup;
    return analyses;
}

}  // namespace bids::app
