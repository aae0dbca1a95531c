// The distortion plug-in's FMR and DMR header readers on arbitrary text:
// they either read it or throw; the header they read can be written again.
#include "distortion/io/project_files.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = "/tmp/mirel_header_fuzz_" + std::to_string(getpid()) + ".fmr";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    for (distortion::io::ProjectKind kind :
         {distortion::io::ProjectKind::FMR, distortion::io::ProjectKind::DMR}) {
        try {
            const distortion::io::Project p = distortion::io::readProject(kind, path, false);
            (void)distortion::io::headerText(p);
        } catch (const std::exception&) {
        }
    }
    std::remove(path.c_str());
    return 0;
}
