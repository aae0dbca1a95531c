#pragma once
// The log summary of a VOI: its across-VTC means and, in single-trial mode,
// its pooled single-trial measures, as the lines the run logs.

#include <string>
#include <vector>

#include "latency/core/result_summaries.h"

namespace latency::plugin {

using core::kMeasureCount;

// Log lines of one VOI's across-VTC means (access mode 1).
std::vector<std::string> averageSummaryLines(int voiNumber, const std::string& voiName, bool deconvolution,
                                             const float means[kMeasureCount]);
// Log lines of one VOI's pooled single-trial measures.
std::vector<std::string> singleTrialSummaryLines(float confidence,
                                                 const core::PooledMeasure pooled[kMeasureCount]);

}  // namespace latency::plugin
