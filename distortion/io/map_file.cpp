#include "distortion/io/map_file.h"

#include "distortion/core/errors.h"
#include "frame/fmr_map_layout.h"

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace distortion::io {

using namespace core;

Volume readMapStream(std::istream& stream) {
    tl::BinaryReader in(stream, [] { throw ReadFileError("error reading from binary file"); });
    const tl::FmrMapHeader header = tl::readFmrMapHeader(in);
    in.zeroTerminated();  // map name
    const std::vector<float> values = tl::readFmrMapValues(in, header);
    Volume v(header.nx, header.ny, header.nz);
    if (!values.empty()) std::memcpy(v.data(), values.data(), values.size() * sizeof(float));
    return v;
}

Volume readMapFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw OpenFileError("could not open file " + fileName);
    Volume map = readMapStream(in);
    // A map without values cannot be applied to any project.
    if (map.size() == 0)
        throw ReadFileError(fileName + ": the map is empty (" + std::to_string(map.nx()) + " x " +
                            std::to_string(map.ny()) + " x " + std::to_string(map.nz()) + ")");
    return map;
}

}  // namespace distortion::io
