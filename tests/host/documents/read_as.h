// Reading a file with the host's reader of one format, for the tests of
// files that must be refused.
#pragma once

#include "host/formats/glm_file.h"
#include "host/formats/map_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "host/session/job.h"

#include <array>
#include <exception>
#include <filesystem>
#include <string>

namespace test_support {

// Reads `path` with the reader of format `ext` (".vtc", ..., ".json"); the
// error text, or "" when the file was read.
inline std::string readAs(const std::string& ext, const std::filesystem::path& path) {
    namespace fmt = talvora::formats;
    const std::array<int, 3> dims{256, 256, 256};
    try {
        if (ext == ".vtc")
            fmt::readVtcFile(path);
        else if (ext == ".vth")
            fmt::readVtcHeader(path);
        else if (ext == ".prt")
            fmt::readProtocolFile(path);
        else if (ext == ".voi")
            fmt::readVoiFile(path, &dims);
        else if (ext == ".msk")
            fmt::readMaskFile(path);
        else if (ext == ".glm")
            fmt::readGlmFile(path);
        else if (ext == ".blm")
            fmt::readMapSetFile(path);
        else if (ext == ".vmr")
            fmt::readVmrFile(path);
        else if (ext == ".json")
            talvora::readJob(path);
        else
            return "no reader for " + ext;
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace test_support
