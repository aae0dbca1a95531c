#include "distortion/io/map_file.h"

#include "distortion/core/errors.h"
#include "frame/fmr_map_layout.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace mirel {

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
    return readMapStream(in);
}

}  // namespace mirel
