#pragma once
// The analyses this build of talvora-bids runs.

#include "bids/app/runner.h"

namespace bids::app {

Analyses builtInAnalyses();

}  // namespace bids::app
