#pragma once
// One subject of the main dialog: its manifest and where the manifest lives.

#include "graph/io/study_manifest.h"

#include <string>

namespace graph::io {

struct Subject {
    StudyManifest manifest;
    // Absolute path of the manifest's directory; the manifest's CSV entries
    // are relative to it and are opened as folder + "/" + entry.
    std::string folder;
};

}  // namespace graph::io
