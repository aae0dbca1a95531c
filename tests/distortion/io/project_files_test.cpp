#include "distortion/core/errors.h"
#include "distortion/io/map_file.h"
#include "distortion/io/project_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace distortion::core;
using namespace distortion::io;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() /
               ("mirel_io_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path / "a");
        fs::create_directories(path / "b");
    }
    ~TempDir() { fs::remove_all(path); }
};

void writeText(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}
std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// An FMR header of known keys only, as the writer lays it out: a synonym
// key, quoted and unquoted texts, an empty text, the position block, one
// transformation block, slice timing and an absent acquisition time.
const char* kFmrHeader =
    "\n"
    "FileVersion:                  7\n"
    "NrOfVolumes:                  3\n"
    "NrOfSlices:                   2\n"
    "NrOfSkippedVolumes:           0\n"
    "Prefix:                       \"run\"\n"
    "DataStorageFormat:            2\n"
    "DataType:                     1\n"
    "TR:                           2000\n"
    "InterSliceTime:               80\n"
    "TimeResolutionVerified:       1\n"
    "TE:                           30\n"
    "SliceAcquisitionOrder:        1\n"
    "SliceAcquisitionOrderVerified: 0\n"
    "NrOfColumns:                  4\n"
    "NrOfRows:                     5\n"
    "LoadAMRFile:                  \"run_firstvol.amr\"\n"
    "ShowAMRFile:                  1\n"
    "ImageIndex:                   0\n"
    "LayoutNColumns:               1\n"
    "LayoutNRows:                  2\n"
    "LayoutZoomLevel:              1\n"
    "SegmentSize:                  10\n"
    "SegmentOffset:                0\n"
    "NrOfLinkedProtocols:          0\n"
    "ProtocolFile:                 \n"
    "InplaneResolutionX:           3.5\n"
    "InplaneResolutionY:           3.25\n"
    "SliceThickness:               3\n"
    "SliceGap:                     0.5\n"
    "VoxelResolutionVerified:      1\n"
    "\n"
    "\n"
    "PositionInformationFromImageHeaders\n"
    "\n"
    "PosInfosVerified:             1\n"
    "CoordinateSystem:             1\n"
    "Slice1CenterX:                -1.5\n"
    "Slice1CenterY:                10\n"
    "Slice1CenterZ:                -20.25\n"
    "SliceNCenterX:                -1.5\n"
    "SliceNCenterY:                10\n"
    "SliceNCenterZ:                20.25\n"
    "RowDirX:                      1\n"
    "RowDirY:                      0\n"
    "RowDirZ:                      0\n"
    "ColDirX:                      0\n"
    "ColDirY:                      1\n"
    "ColDirZ:                      0\n"
    "NRows:                        5\n"
    "NCols:                        4\n"
    "FoVRows:                      16.25\n"
    "FoVCols:                      14\n"
    "SliceThickness:               3\n"
    "GapThickness:                 0.5\n"
    "\n"
    "\n"
    "NrOfPastSpatialTransformations: 1\n"
    "\n"
    "NameOfSpatialTransformation:  \"Slice Scan Time Correction\"\n"
    "TypeOfSpatialTransformation:  1\n"
    "AppliedToFileName:            run.fmr\n"
    "NrOfTransformationValues:     16\n"
    "  1.00000\t0.00000\t0.00000\t2.50000\n"
    "  0.00000\t1.00000\t0.00000\t0.00000\n"
    "  0.00000\t0.00000\t1.00000\t-1.25000\n"
    "  0.00000\t0.00000\t0.00000\t1.00000\n"
    "\n"
    "\n"
    "LeftRightConvention:          1\n"
    "\n"
    "\n"
    "FirstDataSourceFile:          \"C:/scans/run0001.dcm\"\n"
    "\n"
    "MultibandSequence:            0\n"
    "\n"
    "SliceTimingTableSize:         2\n"
    "0.00000\n"
    "1000.00000\n"
    "\n"
    "AcqusitionTime:\tNA\n";

const char* kDmrHeader =
    "\n"
    "FileVersion:        3\n"
    "NrOfVolumes:        2\n"
    "NrOfSlices:         2\n"
    "NrOfSkippedVolumes: 0\n"
    "Prefix:             \"dwi\"\n"
    "DataStorageFormat:  3\n"
    "DataType:           2\n"
    "ResolutionX:        3\n"
    "ResolutionY:        4\n"
    "DisplayVolume:      1\n"
    "InplaneResolutionX: 2\n"
    "InplaneResolutionY: 2\n"
    "SliceThickness:     2.5\n"
    "SliceGap:           0\n"
    "\n"
    "PositionInformationFromImageHeaders\n"
    "\n"
    "NrOfPastSpatialTransformations: 0\n"
    "\n"
    "\n"
    "LeftRightConvention: 1\n"
    "\n"
    "\n"
    "FirstDataSourceFile: dwi0001.dcm\n"
    "\n"
    "GradientDirectionsVerified: NO\n"
    "GradientXDirInterpretation: 2\n"
    "GradientYDirInterpretation: -1\n"
    "GradientZDirInterpretation: 3\n"
    "GradientInformationAvailable: YES\n"
    "0 0 0 0\n"
    "0.5 -0.25 0.75 1000\n";

void writeInt16(const fs::path& p, const std::vector<std::int16_t>& v) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(v.data()), static_cast<std::streamsize>(v.size() * 2));
}
void writeFloats(const fs::path& p, const std::vector<float>& v) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(v.data()), static_cast<std::streamsize>(v.size() * 4));
}

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(ProjectFiles, FmrHeaderOfKnownKeysIsReproducedByteForByte) {
    TempDir t;
    writeText(t.path / "a" / "run.fmr", kFmrHeader);
    std::vector<std::int16_t> stc(4 * 5 * 2 * 3);
    for (std::size_t i = 0; i < stc.size(); ++i) stc[i] = static_cast<std::int16_t>(i * 7 - 100);
    writeInt16(t.path / "a" / "run.stc", stc);
    Project p = readFMR((t.path / "a" / "run.fmr").string(), false);
    EXPECT_EQ(p.intOf("ResolutionX"), 4);
    EXPECT_EQ(p.entry("ResolutionX").key, "NrOfColumns");
    EXPECT_EQ(p.entry("Prefix").text, "run");
    EXPECT_TRUE(p.entry("Prefix").quoted);
    EXPECT_FALSE(p.entry("AppliedToFileName").quoted);
    EXPECT_EQ(p.floatOf("SliceThickness"), 3.0f);
    EXPECT_EQ(p.floatOf("InplaneResolutionY"), 3.25f);
    EXPECT_EQ(p.transformationValues.size(), 16u);
    EXPECT_EQ(p.transformationValues[11], -1.25f);
    ASSERT_EQ(p.sliceTiming.size(), 2u);
    EXPECT_EQ(p.sliceTiming[1], 1000.0f);
    writeProject(p, (t.path / "b" / "run.fmr").string());
    EXPECT_EQ(readText(t.path / "b" / "run.fmr"), kFmrHeader);
    EXPECT_EQ(readText(t.path / "b" / "run.stc"), readText(t.path / "a" / "run.stc"));
    EXPECT_FALSE(fs::exists(t.path / "b" / "run.fmr.part"));
}

TEST(ProjectFiles, StcLayoutAndSixteenBitValues) {
    TempDir t;
    writeText(t.path / "a" / "run.fmr", kFmrHeader);
    std::vector<std::int16_t> stc(4 * 5 * 2 * 3);
    // slice z, volume t, row y, column x
    for (int z = 0; z < 2; ++z)
        for (int v = 0; v < 3; ++v)
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 4; ++x)
                    stc[((z * 3 + v) * 5 + y) * 4 + x] =
                        static_cast<std::int16_t>(1000 * z + 100 * v + 10 * y + x - 1);
    writeInt16(t.path / "a" / "run.stc", stc);
    const Project p = readFMR((t.path / "a" / "run.fmr").string(), true);
    ASSERT_EQ(p.volumes.size(), 3u);
    EXPECT_EQ(p.volumes[0](0, 0, 0), -1.0f);
    EXPECT_EQ(p.volumes[2](3, 4, 1), 1000 + 200 + 40 + 3 - 1);
}

TEST(ProjectFiles, DmrWithGradientTableSurvivesReadWriteRead) {
    TempDir t;
    writeText(t.path / "a" / "dwi.dmr", kDmrHeader);
    std::vector<float> dwi(3 * 4 * 2 * 2);
    for (std::size_t i = 0; i < dwi.size(); ++i) dwi[i] = 0.5f * static_cast<float>(i) - 3.25f;
    writeFloats(t.path / "a" / "dwi.dwi", dwi);
    Project p = readDMR((t.path / "a" / "dwi.dmr").string(), true);
    ASSERT_EQ(p.gradientTable.size(), 8u);
    EXPECT_EQ(p.gradientTable[5], -0.25f);
    EXPECT_EQ(p.gradientTable[7], 1000.0f);
    EXPECT_FALSE(p.entry("GradientDirectionsVerified").boolValue);
    EXPECT_EQ(p.intOf("GradientYDirInterpretation"), -1);
    // volume t, slice z, row y, column x
    EXPECT_EQ(p.volumes[1](2, 3, 1), dwi[((1 * 2 + 1) * 4 + 3) * 3 + 2]);
    writeProject(p, (t.path / "b" / "dwi.dmr").string());
    EXPECT_EQ(readText(t.path / "b" / "dwi.dmr"), kDmrHeader);
    const Project again = readDMR((t.path / "b" / "dwi.dmr").string(), true);
    EXPECT_EQ(again.gradientTable, p.gradientTable);
    EXPECT_EQ(readText(t.path / "b" / "dwi.dwi"), readText(t.path / "a" / "dwi.dwi"));
}

TEST(ProjectFiles, WritingUnderANewNameRenamesThePrefixAndDropsUnknownKeys) {
    TempDir t;
    writeText(t.path / "a" / "x.fmr",
              "FileVersion: 7\nVendorKey: 12\nNrOfVolumes: 1\nNrOfSlices: 1\nPrefix: x\n"
              "DataType: 2\nResolutionX: 2\nResolutionY: 1\nAcqusitionTime: 3.6\n");
    writeFloats(t.path / "a" / "x.stc", {1.75f, -2.5f});
    Project p = readFMR((t.path / "a" / "x.fmr").string(), false);
    writeProject(p, (t.path / "b" / "x_undist.fmr").string());
    EXPECT_EQ(
        readText(t.path / "b" / "x_undist.fmr"),
        "\nFileVersion: 7\nNrOfVolumes: 1\nNrOfSlices: 1\nPrefix: x_undist\nDataType: 2\nResolutionX: 2\n"
        "ResolutionY: 1\n\nPositionInformationFromImageHeaders\n\nAcqusitionTime: 3.6\n");
    const Project back = readFMR((t.path / "b" / "x_undist.fmr").string(), true);
    EXPECT_EQ(back.volumes[0](1, 0, 0), -2.5f);
}

TEST(ProjectFiles, SixteenBitWritingTruncatesTowardZeroAndClamps) {
    TempDir t;
    writeText(t.path / "a" / "s.fmr",
              "NrOfVolumes: 1\nNrOfSlices: 1\nPrefix: s\nDataType: 1\nResolutionX: 4\nResolutionY: 1\n");
    writeInt16(t.path / "a" / "s.stc", {0, 0, 0, 0});
    Project p = readFMR((t.path / "a" / "s.fmr").string(), true);
    const float values[4] = {-2.7f, 2.7f, 40000.0f, -40000.0f};
    std::memcpy(p.volumes[0].data(), values, sizeof values);
    writeProject(p, (t.path / "b" / "s.fmr").string());
    const Project back = readFMR((t.path / "b" / "s.fmr").string(), true);
    EXPECT_EQ(back.volumes[0](0, 0, 0), -2.0f);
    EXPECT_EQ(back.volumes[0](1, 0, 0), 2.0f);
    EXPECT_EQ(back.volumes[0](2, 0, 0), 32767.0f);
    EXPECT_EQ(back.volumes[0](3, 0, 0), -32768.0f);
}

TEST(ProjectFiles, BadInputsAreRefusedWithClearMessages) {
    TempDir t;
    const fs::path a = t.path / "a";
    const std::string base = "NrOfVolumes: 2\nNrOfSlices: 1\nDataType: 2\nResolutionY: 2\n";
    struct Case {
        const char* name;
        std::string header;
        std::size_t dataBytes;
        bool dmr;
        std::string expected;
    } cases[] = {
        {"short.fmr", base + "Prefix: short\nResolutionX: 2\n", 15, false, "error reading from binary file"},
        {"zero.fmr", base + "Prefix: zero\nResolutionX: 0\n", 64, false,
         "ResolutionX must be a positive number, not 0"},
        {"neg.fmr", base + "Prefix: neg\nResolutionX: -3\n", 64, false,
         "ResolutionX must be a positive number, not -3"},
        {"huge.fmr",
         "NrOfVolumes: 2000000000\nNrOfSlices: 2000000000\nDataType: 2\nResolutionY: 2000000000\nPrefix: huge\nResolutionX: 2000000000\n",
         64, false, "is too large"},
        {"word.fmr", base + "Prefix: word\nResolutionX: four\n", 64, false,
         ": the value of ResolutionX is not a number"},
        {"noprefix.fmr", base + "ResolutionX: 2\n", 0, false, "Failed opening STC for reading: "},
        {"format.dmr", "DataStorageFormat: 2\nPrefix: format\n", 16, true,
         "Can only read DataStorageFormat 3, Not 2"},
        {"nox.fmr", base + "Prefix: nox\n", 64, false, "the header has no ResolutionX"},
    };
    for (const Case& c : cases) {
        writeText(a / c.name, c.header);
        const std::string prefix = fs::path(c.name).stem().string();
        std::vector<float> data(c.dataBytes / 4 + 1, 1.0f);
        std::ofstream(a / (prefix + (c.dmr ? ".dwi" : ".stc")), std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(c.dataBytes));
        const std::string path = (a / c.name).string();
        const std::string what =
            errorOf([&] { readProject(c.dmr ? ProjectKind::DMR : ProjectKind::FMR, path, true); });
        EXPECT_NE(what.find(c.expected), std::string::npos) << c.name << ": " << what;
    }
    EXPECT_EQ(errorOf([&] { readFMR((a / "missing.fmr").string(), false); }),
              "Failed opening for reading: " + (a / "missing.fmr").string());
    EXPECT_THROW(readFMR((a / "short.fmr").string(), true), ReadFileError);
}

TEST(ProjectFiles, FailedWriteLeavesNoFiles) {
    TempDir t;
    writeText(t.path / "a" / "x.fmr",
              "NrOfVolumes: 1\nNrOfSlices: 1\nPrefix: x\nDataType: 2\nResolutionX: 1\nResolutionY: 1\n");
    writeFloats(t.path / "a" / "x.stc", {1.0f});
    Project p = readFMR((t.path / "a" / "x.fmr").string(), true);
    const std::string target = (t.path / "nofolder" / "x.fmr").string();
    EXPECT_EQ(errorOf([&] { writeProject(p, target); }), "Cannot Create file: " + target);
    EXPECT_FALSE(fs::exists(t.path / "nofolder"));
}

namespace {
std::string mapBytes(std::uint16_t typeWord, std::uint16_t slices, std::uint16_t rows, std::uint16_t cols,
                     std::uint16_t fieldB, const std::vector<float>& values, int nz) {
    std::string s;
    auto put = [&](const void* p, std::size_t n) { s.append(static_cast<const char*>(p), n); };
    auto u16 = [&](std::uint16_t v) { put(&v, 2); };
    u16(typeWord), u16(slices), u16(rows), u16(cols), u16(0);
    const float lo = 1.0f, hi = 5.0f;
    put(&lo, 4), put(&hi, 4);
    if (typeWord / 10000 == 2) u16(77);
    u16(1), u16(fieldB);
    if (fieldB > 2) {
        const std::int32_t e = -5, f = 9;
        put(&e, 4), put(&f, 4);
    }
    s += "VDM";
    s.push_back('\0');
    const std::size_t plane = values.size() / static_cast<std::size_t>(nz);
    for (int z = 0; z < nz; ++z) {
        u16(static_cast<std::uint16_t>(z));
        put(values.data() + z * plane, plane * 4);
    }
    return s;
}
}  // namespace

TEST(MapFile, HeaderVariantsAndTruncation) {
    std::vector<float> values(3 * 2 * 2);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = 0.25f * static_cast<float>(i);
    struct Case {
        std::uint16_t typeWord, slices, fieldB;
    } cases[] = {{1, 2, 0}, {20001, 2, 0}, {1, 2, 3}, {10002, 0, 1}, {20002, 0, 4}};
    for (const Case& c : cases) {
        std::istringstream in(mapBytes(c.typeWord, c.slices, 2, 3, c.fieldB, values, 2));
        const Volume v = readMapStream(in);
        ASSERT_EQ(v.dimensions(), (Dimensions{3, 2, 2})) << c.typeWord;
        for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(v[i], values[i]);
    }
    const std::string whole = mapBytes(1, 2, 2, 3, 0, values, 2);
    for (std::size_t cut : {std::size_t{3}, std::size_t{20}, whole.size() - 1}) {
        std::istringstream in(whole.substr(0, cut));
        EXPECT_EQ(errorOf([&] { readMapStream(in); }), "error reading from binary file") << cut;
    }
    EXPECT_EQ(errorOf([] { readMapFile("/nonexistent/x.map"); }), "could not open file /nonexistent/x.map");
}
