#pragma once
// Distortion correction of one participant: each opposite phase-encoded EPI
// pair converted to functional projects, the distortion plug-in estimating
// the field from the pair and undistorting the BOLD runs the pair is for,
// and the field (Hz) and the undistorted runs converted back to NIfTI
// derivatives on the input's grids.

#include "bids/app/runner.h"

namespace bids::analyses {

void runDistortion(const app::ParticipantJob& job);

}  // namespace bids::analyses
