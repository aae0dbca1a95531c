#include "granger/io/vtc_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using namespace granger::io;

namespace {

void i16(std::string& s, int v) {
    s.push_back(static_cast<char>(v & 0xff));
    s.push_back(static_cast<char>((v >> 8) & 0xff));
}
void f32(std::string& s, float v) {
    char b[4];
    std::memcpy(b, &v, 4);
    s.append(b, 4);
}

struct Spec {
    int version = 3;
    int protocols = 1;
    int dataType = 2;
    int volumes = 3;
    int res = 3;
    int box[6] = {30, 36, 60, 69, 90, 93};  // 2 x 3 x 1 voxels
    float tr = 1999.6f;
};

std::string header(const Spec& p) {
    std::string s;
    i16(s, p.version);
    s += "run1.fmr";
    s.push_back('\0');
    if (p.version == 3) i16(s, p.protocols);
    if (p.version == 2 || p.protocols) {
        s += "study.prt";
        s.push_back('\0');
    }
    if (p.version == 3) {
        i16(s, 0);
        i16(s, p.dataType);
    }
    i16(s, p.volumes);
    i16(s, p.res);
    for (int b : p.box) i16(s, b);
    if (p.version == 3) {
        s.push_back(1);
        s.push_back(2);
    } else {
        i16(s, 0);
    }
    f32(s, p.tr);
    if (p.version == 2) {
        f32(s, 0);
        f32(s, 0);
        i16(s, 0);
        i16(s, 0);
    }
    return s;
}

}  // namespace

TEST(VtcStream, ReadsVersion3Header) {
    const std::string h = header(Spec{});
    std::istringstream in(h);
    const auto info = readVtcInfo(in);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->headerBytes, static_cast<int>(h.size()));
    EXPECT_EQ(info->sourceFMR, "run1.fmr");
    EXPECT_EQ(info->protocolName, "study.prt");
    EXPECT_EQ(info->dataType, 2);
    EXPECT_EQ(info->nrOfVolumes, 3);
    EXPECT_EQ(info->dimX(), 2);
    EXPECT_EQ(info->dimY(), 3);
    EXPECT_EQ(info->dimZ(), 1);
    EXPECT_EQ(info->lrConvention, 1);
    EXPECT_EQ(info->referenceSpace, 2);
    EXPECT_EQ(info->trMs, 2000);
}

TEST(VtcStream, Version2IsUnsigned16BitWithOneProtocol) {
    Spec p;
    p.version = 2;
    const std::string h = header(p);
    std::istringstream in(h);
    const auto info = readVtcInfo(in);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->dataType, 1);
    EXPECT_EQ(info->nrOfProtocols, 1);
    EXPECT_EQ(info->referenceSpace, 3);
    EXPECT_EQ(info->headerBytes, static_cast<int>(h.size()));
}

TEST(VtcStream, RefusedHeaders) {
    Spec twoProtocols;
    twoProtocols.protocols = 2;
    Spec version4;
    version4.version = 4;
    Spec noVolumes;
    noVolumes.volumes = 0;
    Spec emptyBox;
    emptyBox.box[1] = 30;
    for (const Spec& p : {twoProtocols, version4, noVolumes, emptyBox}) {
        std::istringstream in(header(p));
        EXPECT_FALSE(readVtcInfo(in));
    }
    // Every truncation of a good header is refused.
    const std::string h = header(Spec{});
    for (std::size_t n = 0; n < h.size(); ++n) {
        std::istringstream in(h.substr(0, n));
        EXPECT_FALSE(readVtcInfo(in)) << n;
    }
}

TEST(VtcStream, SlicesAndVoxelsComeFromTheVoxelMajorLayout) {
    Spec p;
    p.box[5] = 96;  // 2 x 3 x 2 voxels
    std::string file = header(p);
    const int voxels = 12, v = 3;
    for (int i = 0; i < voxels; ++i)
        for (int t = 0; t < v; ++t) f32(file, static_cast<float>(100 * i + t));
    std::istringstream in(file);
    const auto info = readVtcInfo(in);
    ASSERT_TRUE(info);
    std::vector<char> raw;
    std::vector<float> slice;
    ASSERT_TRUE(readSlice(in, *info, 1, raw, slice));
    ASSERT_EQ(slice.size(), 18u);
    EXPECT_EQ(slice[0], 600.0f);    // voxel (0,0,1) = index 6, volume 1
    EXPECT_EQ(slice[17], 1102.0f);  // voxel 11, volume 3
    float course[3];
    ASSERT_TRUE(readVoxelTimeCourse(in, *info, 5, course));
    EXPECT_EQ(course[0], 500.0f);
    EXPECT_EQ(course[2], 502.0f);
    // A short file fails the read of its last slice.
    std::istringstream shortIn(file.substr(0, file.size() - 1));
    ASSERT_TRUE(readVtcInfo(shortIn));
    EXPECT_TRUE(readSlice(shortIn, *info, 0, raw, slice));
    EXPECT_FALSE(readSlice(shortIn, *info, 1, raw, slice));
}

TEST(VtcStream, SixteenBitValuesBecomeFloats) {
    Spec p;
    p.dataType = 1;
    p.volumes = 2;
    std::string file = header(p);
    for (int i = 0; i < 6; ++i) {
        i16(file, 65535 - i);
        i16(file, i);
    }
    std::istringstream in(file);
    const auto info = readVtcInfo(in);
    ASSERT_TRUE(info);
    std::vector<char> raw;
    std::vector<float> slice;
    ASSERT_TRUE(readSlice(in, *info, 0, raw, slice));
    EXPECT_EQ(slice[0], 65535.0f);
    EXPECT_EQ(slice[3], 1.0f);
}
