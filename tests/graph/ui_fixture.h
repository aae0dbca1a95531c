#pragma once
// What every graph window test shares: the names it uses unqualified, and
// one way to put a subject on disk, load it and open its window.

#include "graph/core/feature_registry.h"
#include "graph/ui/connectivity_form.h"
#include "graph/ui/connectivity_object.h"
#include "manifest_fixture.h"
#include "scripted_prompts.h"

#include <memory>
#include <string>
#include <vector>

using namespace graph::core;
using namespace graph::io;
using namespace graph::ui;
using namespace graph::widgets;

using graph_test::Rows;
using graph_test::TempFolder;

namespace graph_test {

// Writes a subject with `matrices` (and `conditions`) into folder/dir, loads
// it and shows its window. With a script, its prompts answer the window's
// questions from the start.
std::unique_ptr<ConnectivityObject> openSubjectWindow(const TempFolder& folder, const std::string& dir,
                                                      const std::vector<Rows>& matrices,
                                                      const std::vector<std::string>& conditions = {},
                                                      const std::shared_ptr<PromptScript>& script = nullptr);

}  // namespace graph_test
