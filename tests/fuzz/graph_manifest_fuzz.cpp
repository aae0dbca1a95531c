// The graph plug-in's study manifest reader: any file is read whole or
// refused with a StudyManifestError naming it; nothing else escapes.
#include "fuzz_support.h"
#include "graph/io/study_manifest.h"

using namespace graph::io;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = fuzz_support::writeInput("subject_manifest.json", data, size);
    try {
        const StudyManifest manifest = readStudyManifest(path.string());
        // The integer lists that name VOIs and sizes are read whole.
        if (manifest.vois_sizes.size() > size || manifest.selected_vois.size() > size)
            fuzz_support::finding("more values than input bytes");
    } catch (const StudyManifestError& e) {
        if (e.file() != path.string())
            fuzz_support::finding(std::string("error names another file: ") + e.what());
    }
    return 0;
}
