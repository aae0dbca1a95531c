// A VTC file written by the host, read by the host and by the Granger
// plug-in's own reader: the same header fields and the same time courses,
// for float and 16-bit data; both refuse a file cut inside its header.
#include "granger/io/vtc_stream.h"
#include "host/formats/vtc_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using talvora::formats::VtcHeader;

class VtcCrossReader : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vtc_cross_reader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + std::to_string(GetParam()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A 2 x 3 x 2 grid of 3 mm voxels, 4 volumes; every value tells its
    // voxel and volume apart.
    VtcHeader header() const {
        VtcHeader h;
        h.version = 3;
        h.sourceFMR = "run1.fmr";
        h.hasProtocol = true;
        h.protocolName = "run1.prt";
        h.dataType = GetParam();
        h.nrOfVolumes = 4;
        h.grid.resolution = 3;
        h.grid.xStart = 57, h.grid.xEnd = 63;
        h.grid.yStart = 51, h.grid.yEnd = 60;
        h.grid.zStart = 60, h.grid.zEnd = 66;
        h.lrConvention = 1;
        h.referenceSpace = 2;
        h.tr = 1999.6f;
        return h;
    }
    fs::path dir_;
};

TEST_P(VtcCrossReader, BothReadersSeeTheSameHeaderAndTimeCourses) {
    const VtcHeader h = header();
    const std::size_t voxels = h.grid.voxelCount(), count = voxels * h.nrOfVolumes;
    std::vector<float> floats;
    std::vector<std::uint16_t> ints;
    for (std::size_t i = 0; i < count; ++i) {
        if (h.floatData())
            floats.push_back(static_cast<float>(i) + 0.5f);
        else
            ints.push_back(static_cast<std::uint16_t>(1000 + i));
    }
    const fs::path path = dir_ / "run1.vtc";
    talvora::formats::writeVtcFile(path, h, floats, ints);

    const talvora::formats::VtcFile host = talvora::formats::readVtcFile(path);
    std::ifstream in(path, std::ios::binary);
    const std::optional<granger::io::VtcInfo> plugin = granger::io::readVtcInfo(in);
    ASSERT_TRUE(plugin.has_value());
    EXPECT_EQ(plugin->headerBytes, static_cast<std::int32_t>(host.header.headerBytes));
    EXPECT_EQ(plugin->version, host.header.version);
    EXPECT_EQ(plugin->sourceFMR, host.header.sourceFMR);
    EXPECT_EQ(plugin->protocolName, host.header.protocolName);
    EXPECT_EQ(plugin->dataType, host.header.dataType);
    EXPECT_EQ(plugin->nrOfVolumes, host.header.nrOfVolumes);
    EXPECT_EQ(plugin->resolution, host.header.grid.resolution);
    EXPECT_EQ(plugin->xStart, host.header.grid.xStart);
    EXPECT_EQ(plugin->xEnd, host.header.grid.xEnd);
    EXPECT_EQ(plugin->yStart, host.header.grid.yStart);
    EXPECT_EQ(plugin->yEnd, host.header.grid.yEnd);
    EXPECT_EQ(plugin->zStart, host.header.grid.zStart);
    EXPECT_EQ(plugin->zEnd, host.header.grid.zEnd);
    EXPECT_EQ(plugin->lrConvention, host.header.lrConvention);
    EXPECT_EQ(plugin->referenceSpace, host.header.referenceSpace);
    EXPECT_EQ(plugin->trMs, host.header.trMilliseconds());
    EXPECT_EQ(plugin->trMs, 2000);

    std::vector<float> course(h.nrOfVolumes);
    for (std::size_t v = 0; v < voxels; ++v) {
        ASSERT_TRUE(granger::io::readVoxelTimeCourse(in, *plugin, v, course.data())) << v;
        for (int t = 0; t < h.nrOfVolumes; ++t) {
            const std::size_t at = v * h.nrOfVolumes + t;
            const float expected = h.floatData() ? host.floatValues[at] : host.intValues[at];
            EXPECT_EQ(course[t], expected) << "voxel " << v << ", volume " << t;
        }
    }
}

TEST_P(VtcCrossReader, BothRefuseAFileCutInItsHeader) {
    const VtcHeader h = header();
    const std::string head = talvora::formats::encodeVtcHeader(h);
    const fs::path path = dir_ / "cut.vtc";
    std::ofstream(path, std::ios::binary).write(head.data(), static_cast<std::streamsize>(head.size() - 3));
    EXPECT_THROW(talvora::formats::readVtcHeader(path), std::runtime_error);
    std::ifstream in(path, std::ios::binary);
    EXPECT_FALSE(granger::io::readVtcInfo(in).has_value());
}

INSTANTIATE_TEST_SUITE_P(FloatAndShortData, VtcCrossReader, ::testing::Values(2, 1));

}  // namespace
