#pragma once
// Latency mapping of one participant: the task's runs converted, the
// latency plug-in run voxel by voxel over every voxel of the runs' grid, and
// its latency maps converted back to a NIfTI derivative on the runs' grid.

#include "bids/app/runner.h"

namespace bids::analyses {

void runLatency(const app::ParticipantJob& job);

}  // namespace bids::analyses
