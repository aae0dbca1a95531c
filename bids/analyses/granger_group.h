#pragma once
// The Granger group level: the participants' kept map files gathered by the
// Granger plug-in's group preparation ("PrepareForANCOVA") in the stand-in
// host, and its two group map files (the instantaneous and the difference
// maps, one volume per participant) written as NIfTI on the participants'
// grid.

#include "bids/app/runner.h"

namespace bids::analyses {

void runGrangerGroup(const app::GroupJob& job);

}  // namespace bids::analyses
