// Every document format reads back exactly what its writer wrote, and the
// VTC layout is checked byte by byte against a hand-built file.
#include "host/formats/glm_file.h"
#include "host/formats/map_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "support/grids.h"
#include "support/little_endian.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace fmt = talvora::formats;
using test_support::f32;
using test_support::i16;
using test_support::readBytes;
using test_support::TempFolder;
using test_support::writeBytes;

namespace {

// 3 x 2 x 2 cells of 3 from (3, 6, 0).
fmt::FunctionalGrid smallGrid() {
    return test_support::functionalGrid(3, 3, 6, 0, 3, 2, 2);
}

fmt::VtcHeader vtcHeader(int version, int dataType) {
    fmt::VtcHeader h;
    h.version = version;
    h.sourceFMR = "run1.fmr";
    h.hasProtocol = true;
    h.protocolName = "study.prt";
    h.currentProtocolIndex = 0;
    h.dataType = dataType;
    h.nrOfVolumes = 5;
    h.grid = smallGrid();
    h.lrConvention = 2;
    h.referenceSpace = version == 3 ? 1 : 3;
    h.tr = 1999.6f;
    return h;
}

}  // namespace

TEST(VtcFormat, Version3FloatFileHasTheDocumentedLayout) {
    TempFolder tmp;
    const fmt::VtcHeader h = vtcHeader(3, 2);
    std::vector<float> values(12 * 5);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = 0.5f * static_cast<float>(i) - 3.0f;
    fmt::writeVtcFile(tmp / "a.vtc", h, values);

    std::string expected;
    i16(expected, 3);
    expected += std::string("run1.fmr") + '\0';
    i16(expected, 1);
    expected += std::string("study.prt") + '\0';
    i16(expected, 0);
    i16(expected, 2);
    for (int v : {5, 3, 3, 12, 6, 12, 0, 6}) i16(expected, v);
    expected += static_cast<char>(2);
    expected += static_cast<char>(1);
    f32(expected, 1999.6f);
    const std::size_t headerBytes = expected.size();
    for (float v : values) f32(expected, v);
    EXPECT_EQ(readBytes(tmp / "a.vtc"), expected);

    const fmt::VtcFile back = fmt::readVtcFile(tmp / "a.vtc");
    EXPECT_EQ(back.header.headerBytes, headerBytes);
    EXPECT_EQ(back.header.sourceFMR, "run1.fmr");
    EXPECT_EQ(back.header.protocolName, "study.prt");
    EXPECT_EQ(back.header.nrOfVolumes, 5);
    EXPECT_EQ(back.header.grid, h.grid);
    EXPECT_EQ(back.header.lrConvention, 2);
    EXPECT_EQ(back.header.referenceSpace, 1);
    EXPECT_EQ(back.header.trMilliseconds(), 2000);  // floor(TR + 0.5)
    EXPECT_EQ(back.floatValues, values);
}

TEST(VtcFormat, RoundTripsEveryVariant) {
    TempFolder tmp;
    struct Case {
        const char* name;
        int version, dataType;
        bool hasProtocol;
    };
    for (const Case c : {Case{"v3 float", 3, 2, true}, Case{"v3 uint16", 3, 1, true},
                         Case{"v3 no protocol", 3, 2, false}, Case{"v2", 2, 1, true}}) {
        SCOPED_TRACE(c.name);
        fmt::VtcHeader h = vtcHeader(c.version, c.dataType);
        h.hasProtocol = c.hasProtocol;
        if (!c.hasProtocol) h.protocolName.clear();
        std::vector<float> floats;
        std::vector<std::uint16_t> ints;
        for (int i = 0; i < 60; ++i) {
            floats.push_back(static_cast<float>(i) * 1.25f);
            ints.push_back(static_cast<std::uint16_t>(65535 - 1000 * i));
        }
        fmt::writeVtcFile(tmp / "v.vtc", h, h.floatData() ? floats : std::vector<float>{},
                          h.floatData() ? std::vector<std::uint16_t>{} : ints);
        const fmt::VtcFile back = fmt::readVtcFile(tmp / "v.vtc");
        EXPECT_EQ(back.header.version, c.version);
        EXPECT_EQ(back.header.dataType, c.version == 2 ? 1 : c.dataType);
        EXPECT_EQ(back.header.hasProtocol, c.hasProtocol);
        EXPECT_EQ(back.header.protocolName, h.protocolName);
        EXPECT_EQ(back.header.referenceSpace, c.version == 2 ? 3 : 1);
        EXPECT_EQ(back.header.grid, h.grid);
        if (h.floatData())
            EXPECT_EQ(back.floatValues, floats);
        else
            EXPECT_EQ(back.intValues, ints);
        EXPECT_EQ(fmt::readVtcHeader(tmp / "v.vtc").headerBytes, back.header.headerBytes);
    }
}

TEST(VtcFormat, WriterRefusesDataThatDoesNotFitTheHeader) {
    TempFolder tmp;
    const fmt::VtcHeader h = vtcHeader(3, 2);
    EXPECT_THROW(fmt::writeVtcFile(tmp / "x.vtc", h, std::vector<float>(59)), std::invalid_argument);
    fmt::VtcHeader wide = h;
    wide.grid.xEnd = 40000;
    EXPECT_THROW(fmt::writeVtcFile(tmp / "x.vtc", wide, {}), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(tmp / "x.vtc"));
}

TEST(HostFormats, VmrRoundTripsWithAndWithoutVoxels) {
    TempFolder tmp;
    fmt::VmrFile small;
    small.dimX = 3;
    small.dimY = 2;
    small.dimZ = 2;
    fmt::writeVmrFile(tmp / "a.vmr", small);
    EXPECT_EQ(readBytes(tmp / "a.vmr"), "TALVORA-VMR 1\nDimensions: 3 2 2\nVoxels: none\n");
    fmt::VmrFile back = fmt::readVmrFile(tmp / "a.vmr");
    EXPECT_EQ(back.dimX, 3);
    EXPECT_EQ(back.dimY, 2);
    EXPECT_EQ(back.dimZ, 2);
    EXPECT_TRUE(back.voxels.empty());

    // Voxel bytes that look like line ends and blanks must survive.
    small.voxels = {'\n', ' ', '\r', 0, 255, 10, 13, 32, 9, 1, 2, 3};
    fmt::writeVmrFile(tmp / "b.vmr", small);
    back = fmt::readVmrFile(tmp / "b.vmr");
    EXPECT_EQ(back.voxels, small.voxels);
}

TEST(HostFormats, ProtocolRoundTrips) {
    TempFolder tmp;
    fmt::ProtocolFile prt;
    prt.timeUnit = fmt::ProtocolFile::TimeUnit::Milliseconds;
    prt.conditions = {{"Faces and houses", {0, 20000, 40000}, {999, 20999, 40999}}, {"Rest", {}, {}}};
    fmt::writeProtocolFile(tmp / "a.prt", prt);
    EXPECT_EQ(
        readBytes(tmp / "a.prt"),
        "TALVORA-PRT 1\nTimeUnit: msec\nNrOfConditions: 2\n\nCondition: Faces and houses\nNrOfIntervals: 3\n"
        "0 999\n20000 20999\n40000 40999\n\nCondition: Rest\nNrOfIntervals: 0\n");
    const fmt::ProtocolFile back = fmt::readProtocolFile(tmp / "a.prt");
    ASSERT_EQ(back.conditions.size(), 2u);
    EXPECT_EQ(back.timeUnit, fmt::ProtocolFile::TimeUnit::Milliseconds);
    EXPECT_EQ(back.conditions[0].name, "Faces and houses");
    EXPECT_EQ(back.conditions[0].starts, prt.conditions[0].starts);
    EXPECT_EQ(back.conditions[0].ends, prt.conditions[0].ends);
    EXPECT_TRUE(back.conditions[1].starts.empty());
    EXPECT_FALSE(back.conditions[0].color.has_value());

    // A colour is written only when a condition has one, after its name.
    prt.conditions[1].color = fmt::Rgb{10, 200, 30};
    fmt::writeProtocolFile(tmp / "c.prt", prt);
    EXPECT_NE(readBytes(tmp / "c.prt").find("Condition: Rest\nColor: 10 200 30\nNrOfIntervals: 0\n"),
              std::string::npos);
    const fmt::ProtocolFile colored = fmt::readProtocolFile(tmp / "c.prt");
    EXPECT_FALSE(colored.conditions[0].color.has_value());
    ASSERT_TRUE(colored.conditions[1].color.has_value());
    EXPECT_EQ(*colored.conditions[1].color, (fmt::Rgb{10, 200, 30}));

    prt.timeUnit = fmt::ProtocolFile::TimeUnit::Volumes;
    fmt::writeProtocolFile(tmp / "b.prt", prt);
    EXPECT_EQ(fmt::readProtocolFile(tmp / "b.prt").timeUnit, fmt::ProtocolFile::TimeUnit::Volumes);
}

TEST(HostFormats, VoiRoundTripsInBothConventions) {
    TempFolder tmp;
    fmt::VoiFile vois;
    vois.vois = {{"FFA left", {100, 110, 120, 101, 110, 120}}, {"Empty", {}}};
    for (int convention : {fmt::VoiFile::kVolumeConvention, fmt::VoiFile::kReferenceConvention}) {
        vois.convention = convention;
        fmt::writeVoiFile(tmp / "a.voi", vois);
        const fmt::VoiFile back = fmt::readVoiFile(tmp / "a.voi");
        EXPECT_EQ(back.convention, convention);
        ASSERT_EQ(back.vois.size(), 2u);
        EXPECT_EQ(back.vois[0].name, "FFA left");
        EXPECT_EQ(back.vois[0].coords, vois.vois[0].coords);
        EXPECT_EQ(back.vois[1].voxelCount(), 0u);
    }
    // Reference convention: x = 128 - c1, y = 128 - c2, z = 128 - c0.
    EXPECT_EQ(fmt::voiVoxelToVolume(3, 10, 20, 30), (std::array<int, 3>{108, 98, 118}));
    EXPECT_EQ(fmt::voiVoxelToVolume(1, 10, 20, 30), (std::array<int, 3>{10, 20, 30}));
}

TEST(HostFormats, MaskRoundTrips) {
    TempFolder tmp;
    fmt::MaskFile mask{smallGrid(), {1, 0, 0, 1, 10, 0, 0, 0, 255, 1, 0, 13}};
    fmt::writeMaskFile(tmp / "a.msk", mask);
    const fmt::MaskFile back = fmt::readMaskFile(tmp / "a.msk");
    EXPECT_EQ(back.grid, mask.grid);
    EXPECT_EQ(back.voxels, mask.voxels);
}

TEST(HostFormats, GlmRoundTrips) {
    TempFolder tmp;
    fmt::GlmFile glm;
    glm.nrOfPredictors = 3;
    glm.nrOfStudies = 1;
    glm.separatePredictors = 1;
    glm.grid = smallGrid();
    for (std::size_t i = 0; i < glm.nrOfMaps() * 12; ++i) glm.maps.push_back(static_cast<float>(i) / 7.0f);
    fmt::writeGlmFile(tmp / "a.glm", glm);
    const fmt::GlmFile back = fmt::readGlmFile(tmp / "a.glm");
    EXPECT_EQ(back.nrOfPredictors, 3);
    EXPECT_EQ(back.nrOfStudies, 1);
    EXPECT_EQ(back.separatePredictors, 1);
    EXPECT_EQ(back.grid, glm.grid);
    EXPECT_EQ(back.maps, glm.maps);
}

TEST(HostFormats, MapSetRoundTripsEveryField) {
    TempFolder tmp;
    fmt::MapSetFile set;
    set.option = 0;
    set.nrOfThresholds = 2;
    set.grid = smallGrid();
    set.thresholdLabels = {"thres q=0.050", ""};
    fmt::MapDefinition a;
    a.name = "Subject S01: INST";
    a.mapType = 101;
    a.lowerThreshold = 0.1f;
    a.upperThreshold = std::numeric_limits<float>::infinity();
    a.colorPositiveLow = {1, 2, 3};
    a.useColors = 1;
    a.fdrThresholds = {0.25f, std::numeric_limits<float>::quiet_NaN()};
    a.values.assign(12, 0.0f);
    a.values[5] = -1e-30f;
    fmt::MapDefinition b = a;
    b.name = "";
    b.fdrThresholds = {1.0f / 3.0f, -2.0f};
    b.values.assign(12, 7.5f);
    set.maps = {a, b};
    fmt::writeMapSetFile(tmp / "a.blm", set);
    const fmt::MapSetFile back = fmt::readMapSetFile(tmp / "a.blm");
    EXPECT_EQ(back.option, 0);
    EXPECT_EQ(back.grid, set.grid);
    EXPECT_EQ(back.thresholdLabels, set.thresholdLabels);
    ASSERT_EQ(back.maps.size(), 2u);
    EXPECT_EQ(back.maps[0].name, a.name);
    EXPECT_EQ(back.maps[0].mapType, 101);
    EXPECT_EQ(back.maps[0].lowerThreshold, 0.1f);
    EXPECT_TRUE(std::isinf(back.maps[0].upperThreshold));
    EXPECT_EQ(back.maps[0].colorPositiveLow, a.colorPositiveLow);
    EXPECT_EQ(back.maps[0].useColors, 1);
    EXPECT_EQ(back.maps[0].fdrThresholds[0], 0.25f);
    EXPECT_TRUE(std::isnan(back.maps[0].fdrThresholds[1]));
    EXPECT_EQ(back.maps[0].values, a.values);
    EXPECT_EQ(back.maps[1].name, "");
    EXPECT_EQ(back.maps[1].fdrThresholds, b.fdrThresholds);  // 1/3 survives the text exactly
    EXPECT_EQ(back.maps[1].values, b.values);
}
