// Fuzz target: the Granger plug-in's settings file reader ("VUVIrurar.ini").
#include "granger/core/gcm_settings.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    granger::core::GcmSettings settings;
    std::ostringstream errors;
    if (granger::core::readGcmSettings(in, settings, errors)) {
        std::ostringstream log;
        granger::core::writeGcmSettingsBlock(log, settings);
    }
    return 0;
}
