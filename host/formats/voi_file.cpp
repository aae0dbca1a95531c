#include "host/formats/voi_file.h"

#include "frame/voi_convention.h"
#include "host/formats/format_io.h"

#include <stdexcept>

namespace talvora::formats {
namespace {
constexpr const char* kMagic = "TALVORA-VOI";
constexpr int kVersion = 1;
// VOI names travel in a record field of 252 bytes with its zero byte.
constexpr std::size_t kMaxNameLength = 251;
constexpr long long kMaxVoxels = 16LL * 1024 * 1024;
constexpr long long kCoordLimit = 32767;
constexpr long long kMaxVOIs = 10000;
}  // namespace

std::array<int, 3> voiVoxelToVolume(int convention, std::int32_t c0, std::int32_t c1, std::int32_t c2) {
    return tl::voiVoxelToVolume(convention, c0, c1, c2);
}

// Largest VOI file: every VOI with its largest voxel list ("32767 32767 32767").
constexpr std::uint64_t kMaxVoiBytes = kMaxHeaderBytes + 10000ull * (300 + 16ull * 1024 * 1024 * 20);

VoiFile readVoiFile(const std::filesystem::path& path, const std::array<int, 3>* dims) {
    HeaderReader in(path, readWholeFile(path, kMaxVoiBytes));
    in.expectMagic(kMagic, kVersion, "Talvora VOI file");
    VoiFile file;
    file.convention = in.choice("Coordinates", {"volume", "reference"}) == 0 ? VoiFile::kVolumeConvention
                                                                             : VoiFile::kReferenceConvention;
    const long long nrOfVOIs = in.integer("NrOfVOIs", 0, kMaxVOIs);
    for (long long v = 0; v < nrOfVOIs; ++v) {
        VoiDefinition voi;
        voi.name = in.value("VOI");
        if (voi.name.empty()) in.failAtLine("VOI " + std::to_string(v + 1) + " has an empty name");
        if (voi.name.size() > kMaxNameLength)
            in.failAtLine("the name of VOI " + std::to_string(v + 1) + " is longer than " +
                          std::to_string(kMaxNameLength) + " characters");
        const long long nrOfVoxels = in.integer("NrOfVoxels", 0, kMaxVoxels);
        voi.coords.reserve(static_cast<std::size_t>(nrOfVoxels) * 3);
        const std::string what = "a voxel \"c0 c1 c2\" of VOI \"" + voi.name + "\"";
        for (long long k = 0; k < nrOfVoxels; ++k) {
            const auto c = in.integerLine(3, what, -kCoordLimit, kCoordLimit);
            if (dims) {
                const auto xyz =
                    voiVoxelToVolume(file.convention, static_cast<std::int32_t>(c[0]),
                                     static_cast<std::int32_t>(c[1]), static_cast<std::int32_t>(c[2]));
                for (int a = 0; a < 3; ++a)
                    if (xyz[a] < 0 || xyz[a] >= (*dims)[a])
                        in.failAtLine("voxel " + std::to_string(k + 1) + " of VOI \"" + voi.name +
                                      "\" lies outside the " + std::to_string((*dims)[0]) + " x " +
                                      std::to_string((*dims)[1]) + " x " + std::to_string((*dims)[2]) +
                                      " volume (volume coordinates " + std::to_string(xyz[0]) + " " +
                                      std::to_string(xyz[1]) + " " + std::to_string(xyz[2]) + ")");
            }
            for (long long value : c) voi.coords.push_back(static_cast<std::int32_t>(value));
        }
        file.vois.push_back(std::move(voi));
    }
    if (!in.atEnd()) {
        in.nextLine("");
        in.failAtLine("unexpected text after the last VOI (does NrOfVOIs or NrOfVoxels undercount?)");
    }
    return file;
}

std::string encodeVoiFile(const VoiFile& file) {
    if (file.convention != VoiFile::kVolumeConvention && file.convention != VoiFile::kReferenceConvention)
        throw std::invalid_argument("VOI convention must be 1 (volume) or 3 (reference)");
    if (file.vois.size() > static_cast<std::size_t>(kMaxVOIs))
        throw std::invalid_argument("too many VOIs for one file");
    std::string out = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    out += file.convention == VoiFile::kReferenceConvention ? "Coordinates: reference\n"
                                                            : "Coordinates: volume\n";
    out += "NrOfVOIs: " + std::to_string(file.vois.size()) + "\n";
    for (const VoiDefinition& voi : file.vois) {
        if (voi.name.empty() || voi.name.size() > kMaxNameLength || voi.name.find('\n') != std::string::npos)
            throw std::invalid_argument("a VOI needs a one-line name of 1 to 251 characters");
        if (voi.coords.size() % 3 != 0) throw std::invalid_argument("VOI coordinates come in threes");
        out += "\nVOI: " + voi.name + "\n";
        out += "NrOfVoxels: " + std::to_string(voi.voxelCount()) + "\n";
        for (std::size_t k = 0; k < voi.coords.size(); k += 3)
            out += std::to_string(voi.coords[k]) + " " + std::to_string(voi.coords[k + 1]) + " " +
                   std::to_string(voi.coords[k + 2]) + "\n";
    }
    return out;
}

void writeVoiFile(const std::filesystem::path& path, const VoiFile& file) {
    saveBytes(path, encodeVoiFile(file));
}

}  // namespace talvora::formats
