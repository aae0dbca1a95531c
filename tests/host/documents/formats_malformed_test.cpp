// Malformed documents are refused with an error that names the file and the
// problem: truncated files, headers that disagree with the size, values that
// do not parse, voxels outside the volume.
#include "host/formats/glm_file.h"
#include "host/formats/map_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "read_as.h"
#include "support/little_endian.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace fmt = talvora::formats;
using test_support::f32;
using test_support::i16;
using test_support::readAs;
using test_support::TempFolder;
using test_support::writeBytes;

namespace {

struct VtcSpec {
    int version = 3, protocols = 1, dataType = 2, volumes = 2, resolution = 3;
    int box[6] = {0, 6, 0, 3, 0, 3};  // 2 x 1 x 1 voxels
    float tr = 1000.0f;
    int dataDelta = 0;  // bytes more (or fewer) than the header needs
};

std::string vtcBytes(const VtcSpec& s) {
    std::string b;
    i16(b, s.version);
    b += std::string("src.fmr") + '\0';
    if (s.version == 3) i16(b, s.protocols);
    for (int p = 0; p < (s.version == 3 ? s.protocols : 1); ++p) b += std::string("p.prt") + '\0';
    if (s.version == 3) {
        i16(b, 0);
        i16(b, s.dataType);
    }
    i16(b, s.volumes);
    i16(b, s.resolution);
    for (int v : s.box) i16(b, v);
    if (s.version == 3)
        b += std::string("\x01\x03", 2);
    else
        i16(b, 0);
    f32(b, s.tr);
    if (s.version == 2) b += std::string(12, '\0');
    long long data = 2LL * s.volumes * (s.dataType == 2 && s.version == 3 ? 4 : 2) + s.dataDelta;
    if (data > 0) b += std::string(static_cast<std::size_t>(data), '\x11');
    return b;
}

struct Case {
    const char* name;
    const char* file;  // file name (its extension picks the reader)
    std::string bytes;
    const char* problem;  // part of the message after "<path>: "
};

void expectRefused(const TempFolder& tmp, const Case& c) {
    SCOPED_TRACE(c.name);
    const auto path = tmp / c.file;
    writeBytes(path, c.bytes);
    const std::string message = readAs(path.extension().string(), path);
    if (message.empty()) {
        ADD_FAILURE() << "accepted: " << c.name;
        return;
    }
    EXPECT_EQ(message.rfind(path.string() + ": ", 0), 0u) << message;
    EXPECT_NE(message.find(c.problem), std::string::npos) << message;
}

VtcSpec with(std::function<void(VtcSpec&)> change) {
    VtcSpec s;
    change(s);
    return s;
}

const std::string kMapHeader =
    "TALVORA-MAPS 1\nNrOfMaps: 1\nOption: 10\nNrOfThresholds: 1\nResolution: 1\n"
    "BoundingBox: 0 2 0 1 0 1\nThresholdLabel: q\n\nMap: m\nMapType: 1\n";
const std::string kMapSettings =
    "ColorPositiveLow: 1 2 3\nColorPositiveHigh: 1 2 3\nColorNegativeLow: 1 2 3\n"
    "ColorNegativeHigh: 1 2 3\nUseColors: 0\n";

}  // namespace

TEST(MalformedDocuments, VtcFilesAreRefused) {
    TempFolder tmp;
    const Case cases[] = {
        {"empty", "a.vtc", "", "the file is empty"},
        {"only a version", "b.vtc", std::string("\x03\x00", 2), "truncated header"},
        {"text without its zero", "c.vtc", std::string("\x03\x00src", 5), "has no terminating zero byte"},
        {"version 4", "d.vtc", vtcBytes(with([](VtcSpec& s) { s.version = 4; })),
         "unsupported VTC version 4"},
        {"two protocols", "e.vtc", vtcBytes(with([](VtcSpec& s) { s.protocols = 2; })), "links 2 protocols"},
        {"data one byte short", "f.vtc", vtcBytes(with([](VtcSpec& s) { s.dataDelta = -1; })),
         "truncated: the header announces 16 bytes of data"},
        {"data one byte long", "g.vtc", vtcBytes(with([](VtcSpec& s) { s.dataDelta = 1; })),
         "the file holds 17 bytes of data but the header announces 16"},
        {"v2 data counted as uint16", "h.vtc", vtcBytes(with([](VtcSpec& s) {
             s.version = 2;
             s.dataDelta = 8;
         })),
         "but the header announces 8"},
        {"no volumes", "i.vtc", vtcBytes(with([](VtcSpec& s) { s.volumes = 0; })), "gives 0 volumes"},
        {"resolution 0", "j.vtc", vtcBytes(with([](VtcSpec& s) { s.resolution = 0; })), "resolution of 0"},
        {"inverted box", "k.vtc", vtcBytes(with([](VtcSpec& s) { s.box[0] = 9; })),
         "holds no functional voxel"},
        {"zero TR", "l.vtc", vtcBytes(with([](VtcSpec& s) { s.tr = 0.0f; })), "repetition time"},
        {"truncated, header only read", "m.vth", vtcBytes(with([](VtcSpec& s) { s.dataDelta = -16; })),
         "truncated"},
    };
    for (const Case& c : cases) expectRefused(tmp, c);
    try {
        fmt::readVtcFile(tmp / "missing.vtc");
        ADD_FAILURE() << "a missing file was read";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("missing.vtc: cannot open"), std::string::npos) << e.what();
    }
}

TEST(MalformedDocuments, TextDocumentsAreRefused) {
    TempFolder tmp;
    const std::string prt =
        "TALVORA-PRT 1\nTimeUnit: msec\nNrOfConditions: 1\nCondition: A\nNrOfIntervals: 2\n";
    const std::string voi = "TALVORA-VOI 1\nCoordinates: volume\nNrOfVOIs: 1\nVOI: V\nNrOfVoxels: 1\n";
    const std::string mask = "TALVORA-MSK 1\nResolution: 3\nBoundingBox: 0 6 0 3 0 3\nBinaryData:\n";
    const std::string glm =
        "TALVORA-GLM 1\nNrOfPredictors: 1\nNrOfStudies: 1\nSeparatePredictors: 0\n"
        "Resolution: 3\nBoundingBox: 0 6 0 3 0 3\nBinaryData:\n";
    const Case cases[] = {
        // protocols
        {"wrong magic", "a.prt", "PRT 1\n", "not a Talvora protocol file"},
        {"newer version", "b.prt", "TALVORA-PRT 2\n", "unsupported Talvora protocol file version \"2\""},
        {"unknown unit", "c.prt", "TALVORA-PRT 1\nTimeUnit: seconds\n",
         "\"TimeUnit\" must be \"volumes\" or \"msec\""},
        {"count not a number", "d.prt", "TALVORA-PRT 1\nTimeUnit: msec\nNrOfConditions: two\n", "line 3"},
        {"interval not a number", "e.prt", prt + "0 100\n200 x\n", "\"x\" is not a whole number"},
        {"interval reversed", "f.prt", prt + "0 100\n300 200\n", "ends (200) before it starts (300)"},
        {"intervals missing", "g.prt", prt + "0 100\n", "the file ends early"},
        {"interval with three numbers", "h.prt", prt + "0 100 5\n", "line 6: expected an interval"},
        {"undercounted conditions", "i.prt", prt + "0 1\n2 3\nCondition: B\nNrOfIntervals: 0\n",
         "unexpected text"},
        {"empty file", "j.prt", "", "the file is empty"},
        {"colour out of range", "k.prt",
         "TALVORA-PRT 1\nTimeUnit: msec\nNrOfConditions: 1\nCondition: A\nColor: 0 256 0\n",
         "line 5: \"Color\": 256 is outside 0 ... 255"},
        // VOIs
        {"voxel outside the volume", "a.voi", voi + "10 256 3\n", "lies outside the 256 x 256 x 256 volume"},
        {"negative voxel", "b.voi", voi + "-1 0 0\n", "lies outside"},
        {"reference voxel outside", "c.voi",
         "TALVORA-VOI 1\nCoordinates: reference\nNrOfVOIs: 1\nVOI: V\nNrOfVoxels: 1\n0 200 0\n",
         "volume coordinates -72 128 128"},
        {"voxel with two numbers", "d.voi", voi + "1 2\n", "expected a voxel"},
        {"voxel that does not parse", "e.voi", voi + "1 2 3.5\n", "\"3.5\" is not a whole number"},
        {"voxels missing", "f.voi", voi, "the file ends early"},
        {"nameless VOI", "g.voi", "TALVORA-VOI 1\nCoordinates: volume\nNrOfVOIs: 1\nVOI:\n",
         "has an empty name"},
        {"wrong key", "h.voi", "TALVORA-VOI 1\nCoordinate: volume\n", "expected \"Coordinates:\""},
        // masks
        {"mask short", "a.msk", mask + "1",
         "truncated: the header announces 2 bytes of mask voxels but the file holds 1"},
        {"mask long", "b.msk", mask + "123",
         "the file holds 3 bytes of mask voxels but the header announces 2"},
        {"mask without data", "d.msk", "TALVORA-MSK 1\nResolution: 3\nBoundingBox: 0 6 0 3 0 3\n",
         "the file ends early"},
        {"mask box inverted", "e.msk", "TALVORA-MSK 1\nResolution: 3\nBoundingBox: 6 0 0 3 0 3\n",
         "holds no functional voxel"},
        {"mask box with five numbers", "f.msk", "TALVORA-MSK 1\nResolution: 3\nBoundingBox: 0 6 0 3 0\n",
         "\"BoundingBox\" needs 6 whole numbers"},
        // GLMs: (1 predictor + 2) maps x 2 voxels x 4 bytes = 24 bytes
        {"glm short", "a.glm", glm + std::string(23, '\0'),
         "announces 24 bytes of map values but the file holds 23"},
        {"glm without predictors", "b.glm", "TALVORA-GLM 1\nNrOfPredictors: 0\n", "is outside 1"},
        {"glm resolution text", "c.glm",
         "TALVORA-GLM 1\nNrOfPredictors: 1\nNrOfStudies: 1\nSeparatePredictors: 0\nResolution: three\n",
         "\"three\" is not a whole number"},
        // map files
        {"map fdr count", "a.blm",
         kMapHeader + "LowerThreshold: 0\nUpperThreshold: 1\n" + kMapSettings + "FDRThresholds:\n",
         "\"FDRThresholds\" needs 1 number"},
        {"map threshold text", "b.blm", kMapHeader + "LowerThreshold: low\n", "\"low\" is not a number"},
        {"map colour range", "c.blm",
         kMapHeader + "LowerThreshold: 0\nUpperThreshold: 1\nColorPositiveLow: 1 2 300\n",
         "300 is outside 0 ... 255"},
        {"map values short", "d.blm",
         kMapHeader + "LowerThreshold: 0\nUpperThreshold: 1\n" + kMapSettings +
             "FDRThresholds: 0.5\nBinaryData:\n1234",
         "announces 8 bytes of map values but the file holds 4"},
        // anatomical volumes
        {"vmr two dims", "a.vmr", "TALVORA-VMR 1\nDimensions: 256 256\n",
         "\"Dimensions\" needs 3 whole numbers"},
        {"vmr zero dim", "b.vmr", "TALVORA-VMR 1\nDimensions: 256 0 256\n", "0 is outside 1 ... 4096"},
        {"vmr voxels missing", "c.vmr", "TALVORA-VMR 1\nDimensions: 2 2 2\nVoxels: uint8\n",
         "the file ends early"},
        {"vmr voxels short", "d.vmr", "TALVORA-VMR 1\nDimensions: 2 2 2\nVoxels: uint8\nBinaryData:\n1234567",
         "announces 8 bytes of voxel data but the file holds 7"},
        {"vmr trailing text", "e.vmr", "TALVORA-VMR 1\nDimensions: 2 2 2\nVoxels: none\nextra\n",
         "unexpected text"},
        {"vmr binary", "f.vmr", std::string("\x03\x00\x00\x01", 4),
         "not a Talvora VMR file (the first line must be \"TALVORA-VMR 1\", found \"????\")"},
    };
    for (const Case& c : cases) expectRefused(tmp, c);
}
