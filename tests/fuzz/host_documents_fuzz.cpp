// Every host document reader: the first byte picks the format, the rest is
// the file. A file that is read must be written again without complaint, and
// reading that back and writing it once more gives the same bytes: a set the
// host accepted can always be saved, and saving loses nothing.
#include "fuzz_support.h"
#include "host/formats/glm_file.h"
#include "host/formats/map_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"

#include <array>
#include <functional>
#include <stdexcept>

namespace fmt = talvora::formats;
namespace fs = std::filesystem;
using fuzz_support::finding;

namespace {

// Reads `in`, writes it to `out`; false when the reader refused the file.
using RoundTrip = std::function<bool(const fs::path& in, const fs::path& out)>;

template <typename Read, typename Write>
RoundTrip roundTrip(Read read, Write write) {
    return [read, write](const fs::path& in, const fs::path& out) {
        try {
            auto document = read(in);
            try {
                write(out, document);
            } catch (const std::exception& e) {
                finding(in.string() + " was read but cannot be written: " + e.what());
            }
        } catch (const std::runtime_error&) {
            return false;  // refused, with a message: fine
        }
        return true;
    };
}

const std::array<int, 3> kDims{256, 256, 256};

struct Format {
    const char* extension;
    RoundTrip roundTrip;
};

const Format kFormats[] = {
    {".vmr", roundTrip([](const fs::path& p) { return fmt::readVmrFile(p); }, &fmt::writeVmrFile)},
    {".voi", roundTrip([](const fs::path& p) { return fmt::readVoiFile(p, &kDims); }, &fmt::writeVoiFile)},
    {".prt", roundTrip([](const fs::path& p) { return fmt::readProtocolFile(p); }, &fmt::writeProtocolFile)},
    {".msk", roundTrip([](const fs::path& p) { return fmt::readMaskFile(p); }, &fmt::writeMaskFile)},
    {".glm", roundTrip([](const fs::path& p) { return fmt::readGlmFile(p); }, &fmt::writeGlmFile)},
    {".blm", roundTrip([](const fs::path& p) { return fmt::readMapSetFile(p); }, &fmt::writeMapSetFile)},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const Format& format = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
    const std::string ext = format.extension;
    const fs::path input = fuzz_support::writeInput("input" + ext, data + 1, size - 1);
    const fs::path first = fuzz_support::scratch() / ("first" + ext);
    const fs::path second = fuzz_support::scratch() / ("second" + ext);
    if (!format.roundTrip(input, first)) return 0;
    if (!format.roundTrip(first, second)) finding("the host cannot read the " + ext + " file it wrote");
    if (fuzz_support::readBytes(first) != fuzz_support::readBytes(second))
        finding("writing a read-back " + ext + " file changed it");
    return 0;
}
