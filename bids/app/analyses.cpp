#include "bids/app/analyses.h"

namespace bids::app {

Analyses builtInAnalyses() {
    return {};
}

}  // namespace bids::app
