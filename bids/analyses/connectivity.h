#pragma once
// Connectivity graphs: per participant, the mean time course of every atlas
// region in each BOLD run of the task, the volumes of each condition of the
// events, a Pearson correlation matrix per condition, a study manifest the
// graph plug-in opens and the graph measures as a table; for the group, one
// manifest and one table across the participants' results.

#include "bids/app/runner.h"

namespace bids::analyses {

void runConnectivity(const app::ParticipantJob& job);
void runConnectivityGroup(const app::GroupJob& job);

}  // namespace bids::analyses
