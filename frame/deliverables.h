// Every deliverable's descriptor, for the host, which knows all four.
#pragma once

#include "frame/deliverables/CausalisPlugin_v27.h"
#include "frame/deliverables/LatmapPlugin.h"
#include "frame/deliverables/Mirel_r122.h"
#include "frame/deliverables/Nodora.h"

namespace tl::deliverables {

inline constexpr const Deliverable* kAll[] = {&kLatmapPlugin, &kCausalisPlugin, &kMirel, &kNodora};

}  // namespace tl::deliverables
