#include "bids/app/analyses.h"

#include "bids/analyses/latency.h"

namespace bids::app {

Analyses builtInAnalyses() {
    Analyses analyses;
    analyses.participant["latency"] = analyses::runLatency;
    return analyses;
}

}  // namespace bids::app
