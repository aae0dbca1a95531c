// The STC and DWI readers: the first bytes choose the header's sizes and
// data type (including zero, negative and huge sizes), the rest is the data
// file. Reading either succeeds or throws.
#include "distortion/io/project_files.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    auto dim = [](uint8_t b) { return b == 255 ? 2000000000 : static_cast<int>(b) - 8; };
    const std::string dir = "/tmp/";
    const std::string stem = "mirel_data_fuzz_" + std::to_string(getpid());
    const std::string header =
        "NrOfVolumes: " + std::to_string(dim(data[0])) + "\nNrOfSlices: " + std::to_string(dim(data[1])) +
        "\nResolutionX: " + std::to_string(dim(data[2])) + "\nResolutionY: " + std::to_string(dim(data[3])) +
        "\nDataType: " + std::to_string(data[4] % 3) + "\nDataStorageFormat: 3\nPrefix: " + stem + "\n";
    for (const char* ext : {".fmr", ".dmr"}) {
        std::ofstream(dir + stem + ext) << header;
    }
    for (const char* ext : {".stc", ".dwi"}) {
        std::ofstream(dir + stem + ext, std::ios::binary)
            .write(reinterpret_cast<const char*>(data + 5), static_cast<std::streamsize>(size - 5));
    }
    try {
        distortion::io::readFMR(dir + stem + ".fmr", true);
    } catch (const std::exception&) {
    }
    try {
        distortion::io::readDMR(dir + stem + ".dmr", true);
    } catch (const std::exception&) {
    }
    for (const char* ext : {".fmr", ".dmr", ".stc", ".dwi"}) std::remove((dir + stem + ext).c_str());
    return 0;
}
