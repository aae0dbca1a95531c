#include "host/formats/fmr_map_file.h"

#include "frame/atomic_file.h"
#include "frame/fmr_map_layout.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace talvora::formats {
namespace {

constexpr std::uint16_t kTypeWord = 1;  // version 0: no extra word
constexpr int kMaxSize = 65535;         // sizes are 16-bit fields

template <class T>
void put(std::ostream& out, T v) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &v, sizeof(T));
    out.write(bytes, sizeof(T));
}

}  // namespace

void writeFmrMapFile(const std::filesystem::path& path, const FmrMapFile& file) {
    if (file.maps.empty()) throw std::runtime_error(path.string() + ": there is no map to save");
    for (int n : {file.nx, file.ny, file.nz})
        if (n <= 0 || n > kMaxSize)
            throw std::runtime_error(path.string() + ": map sizes must lie between 1 and 65535");
    const std::size_t count = static_cast<std::size_t>(file.nx) * file.ny * file.nz;
    const std::size_t plane = static_cast<std::size_t>(file.nx) * file.ny;
    tl::writeFileAtomically(path, [&](std::ostream& out) {
        const FmrMap& first = file.maps.front();
        put<std::uint16_t>(out, kTypeWord);
        put<std::uint16_t>(out, static_cast<std::uint16_t>(file.nz));
        put<std::uint16_t>(out, static_cast<std::uint16_t>(file.ny));
        put<std::uint16_t>(out, static_cast<std::uint16_t>(file.nx));
        put<std::uint16_t>(out, static_cast<std::uint16_t>(first.clusterFlag));
        put<float>(out, first.lowerThreshold);
        put<float>(out, first.upperThreshold);
        put<std::uint16_t>(out, static_cast<std::uint16_t>(file.maps.size()));  // field A: number of maps
        put<std::uint16_t>(out, 0);                                             // field B: no further fields
        for (const FmrMap& m : file.maps) {
            if (m.values.size() != count)
                throw std::runtime_error(path.string() + ": a map has the wrong number of values");
            out.write(m.name.c_str(), static_cast<std::streamsize>(m.name.size() + 1));
            for (int z = 0; z < file.nz; ++z) {
                put<std::uint16_t>(out, static_cast<std::uint16_t>(z));
                out.write(reinterpret_cast<const char*>(m.values.data() + z * plane),
                          static_cast<std::streamsize>(plane * sizeof(float)));
            }
        }
    });
}

FmrMapFile readFmrMapFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) throw std::runtime_error(path.string() + ": cannot open the map file");
    tl::BinaryReader in(stream,
                        [&path] { throw std::runtime_error(path.string() + ": the map file ends early"); });
    const tl::FmrMapHeader header = tl::readFmrMapHeader(in);
    FmrMapFile file;
    file.nx = header.nx;
    file.ny = header.ny;
    file.nz = header.nz;
    const int nrOfMaps = header.nrOfMaps < 1 ? 1 : header.nrOfMaps;
    for (int k = 0; k < nrOfMaps; ++k) {
        FmrMap m;
        if (k == 0) m.clusterFlag = header.clusterFlag;
        m.lowerThreshold = header.lowerThreshold;
        m.upperThreshold = header.upperThreshold;
        m.name = in.zeroTerminated();
        m.values = tl::readFmrMapValues(in, header);
        file.maps.push_back(std::move(m));
    }
    return file;
}

FmrGrid readFmrGrid(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path.string() + ": cannot open the functional project");
    FmrGrid g;
    bool seen[4] = {false, false, false, false};
    std::string token;
    while (in >> token) {
        int* target = nullptr;
        int which = -1;
        if (token == "ResolutionX:" || token == "NrOfColumns:")
            target = &g.nx, which = 0;
        else if (token == "ResolutionY:" || token == "NrOfRows:")
            target = &g.ny, which = 1;
        else if (token == "NrOfSlices:")
            target = &g.nz, which = 2;
        else if (token == "NrOfVolumes:")
            target = &g.nrOfVolumes, which = 3;
        if (!target) continue;
        if (!(in >> *target))
            throw std::runtime_error(path.string() + ": the value of " + token + " is not a number");
        seen[which] = true;
    }
    const char* names[3] = {"ResolutionX", "ResolutionY", "NrOfSlices"};
    const int values[3] = {g.nx, g.ny, g.nz};
    for (int i = 0; i < 3; ++i) {
        if (!seen[i]) throw std::runtime_error(path.string() + ": the header has no " + names[i]);
        if (values[i] <= 0 || values[i] > kMaxSize)
            throw std::runtime_error(path.string() + ": " + names[i] + " must lie between 1 and 65535, not " +
                                     std::to_string(values[i]));
    }
    return g;
}

}  // namespace talvora::formats
