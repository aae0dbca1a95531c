// The distortion plug-in's ".map" reader on arbitrary bytes.
#include "distortion/io/map_file.h"

#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        distortion::io::readMapStream(in);
    } catch (const std::exception&) {
    }
    return 0;
}
