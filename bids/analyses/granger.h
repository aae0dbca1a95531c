#pragma once
// Granger causality mapping of one participant: the task's runs, events and
// the atlas converted, the Granger plug-in run on a reference region (an
// atlas label) against every voxel of the runs, and its maps converted back
// to a NIfTI derivative on the runs' grid.

#include "bids/app/runner.h"

namespace bids::analyses {

void runGranger(const app::ParticipantJob& job);

}  // namespace bids::analyses
