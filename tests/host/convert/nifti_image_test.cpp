// The NIfTI layer against nibabel's reading of the same files (fixtures
// written by tools/nifti_fixtures.py): affine, world positions, scaled
// values, TR, byte order, NIfTI versions; and refusals of broken files.
#include "host/formats/nifti_image.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using nlohmann::json;
using talvora::formats::NiftiImage;
using talvora::formats::readNiftiImage;

namespace {

const fs::path kData = CONVERT_TEST_DATA;

json fixtures() {
    std::ifstream in(kData / "nifti_expected.json");
    return json::parse(in);
}

std::string refusal(const fs::path& path) {
    try {
        readNiftiImage(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(NiftiImage, ReadsWhatNibabelReads) {
    const json all = fixtures();
    ASSERT_GE(all["images"].size(), 10u);
    for (const json& f : all["images"]) {
        SCOPED_TRACE(f["file"].get<std::string>());
        const NiftiImage img = readNiftiImage(kData / f["file"].get<std::string>());
        for (int d = 0; d < 4; ++d) EXPECT_EQ(img.header.size[d], f["size"][d].get<int>());
        EXPECT_EQ(img.header.niftiVersion, f["nifti_version"].get<int>());
        EXPECT_EQ(img.header.bigEndian, f["big_endian"].get<bool>());
        EXPECT_EQ(img.header.affineSource, f["affine_source"].get<std::string>());
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(img.header.affine(r, c), f["affine"][r][c].get<double>(), 1e-5);
        for (const json& p : f["points"]) {
            const Eigen::Vector4d ijk(p["ijk"][0].get<double>(), p["ijk"][1].get<double>(),
                                      p["ijk"][2].get<double>(), 1.0);
            const Eigen::Vector4d world = img.header.affine * ijk;
            for (int a = 0; a < 3; ++a) EXPECT_NEAR(world[a], p["world"][a].get<double>(), 1e-4);
        }
        EXPECT_NEAR(img.header.timeStepMilliseconds(), f["tr_ms"].get<double>(), 1e-6);
        const auto& values = f["values"];
        ASSERT_EQ(img.values.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(img.values[i], static_cast<float>(values[i].get<double>())) << "value " << i;
    }
}

// Voxel by voxel, a run held in memory gives nibabel's values too: every
// fixture image (the plain ones gzip-compressed first, so that the
// big-endian scaled int16 one is among them), taken in chunks of three
// voxels.
TEST(NiftiImage, VoxelCoursesAreWhatNibabelReads) {
    const fs::path folder = fs::temp_directory_path() / "talvora_voxel_courses";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const json all = fixtures();
    std::size_t checked = 0;
    for (const json& f : all["images"]) {
        const std::string name = f["file"].get<std::string>();
        SCOPED_TRACE(name);
        fs::path path = kData / name;
        if (path.extension() != ".gz") {
            std::ifstream in(path, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            path = folder / (name + ".gz");
            gzFile out = gzopen(path.string().c_str(), "wb");
            ASSERT_NE(out, nullptr);
            ASSERT_EQ(gzwrite(out, bytes.data(), unsigned(bytes.size())), int(bytes.size()));
            ASSERT_EQ(gzclose(out), Z_OK);
        }
        const talvora::formats::NiftiReader reader(path);
        ASSERT_TRUE(reader.holdsAllVolumes());
        const std::size_t voxels = reader.header().voxelsPerVolume(), volumes = reader.header().volumes();
        const auto& expected = f["values"];
        ASSERT_EQ(expected.size(), voxels * volumes);
        std::vector<float> courses(3 * volumes);
        for (std::size_t first = 0; first < voxels; first += 3) {
            const std::size_t count = std::min<std::size_t>(3, voxels - first);
            reader.readVoxelCourses(first, count, courses.data());
            for (std::size_t i = 0; i < count; ++i)
                for (std::size_t t = 0; t < volumes; ++t)
                    ASSERT_EQ(courses[i * volumes + t],
                              static_cast<float>(expected[t * voxels + first + i].get<double>()))
                        << "voxel " << first + i << ", volume " << t;
        }
        ++checked;
    }
    EXPECT_EQ(checked, all["images"].size());
    EXPECT_GE(checked, 10u);
    fs::remove_all(folder);
    // A plain file is read as it goes, and a run once streamed is no longer whole.
    EXPECT_FALSE(talvora::formats::NiftiReader(kData / "int16_bigendian_scaled.nii").holdsAllVolumes());
    talvora::formats::NiftiReader streamed(kData / "bold_lps.nii.gz");
    std::vector<float> volume;
    streamed.readNextVolume(volume);
    EXPECT_FALSE(streamed.holdsAllVolumes());
    EXPECT_THROW(streamed.readVoxelCourses(0, 1, volume.data()), std::logic_error);
}

TEST(NiftiImage, StreamsVolumesInFileOrder) {
    talvora::formats::NiftiReader reader(kData / "bold_lps.nii.gz");
    const NiftiImage whole = readNiftiImage(kData / "bold_lps.nii.gz");
    std::vector<float> volume;
    const std::size_t n = reader.header().voxelsPerVolume();
    for (std::size_t t = 0; t < reader.header().volumes(); ++t) {
        reader.readNextVolume(volume);
        ASSERT_EQ(volume.size(), n);
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(volume[i], whole.values[t * n + i]);
    }
    EXPECT_THROW(reader.readNextVolume(volume), std::runtime_error);
}

TEST(NiftiImage, RefusesBrokenFilesNamingThem) {
    for (const char* name : {"truncated.nii", "truncated_data.nii.gz", "truncated_stream.nii.gz"}) {
        const std::string message = refusal(kData / name);
        EXPECT_NE(message.find((kData / name).string() + ": is truncated"), std::string::npos) << message;
    }
    const std::string junk = refusal(kData / "not_nifti.nii");
    EXPECT_NE(junk.find("not_nifti.nii: is not a readable NIfTI image"), std::string::npos) << junk;
    const std::string missing = refusal(kData / "no_such_image.nii.gz");
    EXPECT_NE(missing.find("no_such_image.nii.gz"), std::string::npos) << missing;
    EXPECT_NE(refusal(kData), "");  // a folder
}

TEST(NiftiImage, WritesFloatAndUint8ThatReadBack) {
    const fs::path dir = fs::temp_directory_path() / "talvora_nifti_write_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const NiftiImage src = readNiftiImage(kData / "bold_psr.nii.gz");
    talvora::formats::NiftiOutput out;
    out.size = src.header.size;
    out.affine = src.header.affine;
    out.trSeconds = 2.0;
    for (const char* name : {"copy.nii", "copy.nii.gz"}) {
        talvora::formats::writeNiftiImage(dir / name, out, src.values);
        const NiftiImage back = readNiftiImage(dir / name);
        EXPECT_EQ(back.values, src.values);
        EXPECT_TRUE(back.header.affine.isApprox(src.header.affine, 1e-9));
        EXPECT_EQ(back.header.affineSource, "sform");
        EXPECT_DOUBLE_EQ(back.header.timeStepMilliseconds(), 2000.0);
    }
    out.asUint8 = true;
    std::vector<float> bytes(src.values.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = float(i % 300) - 20.4f;  // clamped to 0..255
    talvora::formats::writeNiftiImage(dir / "bytes.nii.gz", out, bytes);
    const NiftiImage back = readNiftiImage(dir / "bytes.nii.gz");
    EXPECT_EQ(back.header.datatype, 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(back.values[i], std::min(255.0f, std::max(0.0f, std::round(bytes[i])))) << i;
    // Only the finished files are left: no temporary beside them.
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir))
        files += e.path().filename().string()[0] == '.' ? 100 : 1;
    EXPECT_EQ(files, 3);
    // A folder that does not exist: refused naming the file, nothing written.
    EXPECT_THROW(talvora::formats::writeNiftiImage(dir / "missing" / "x.nii", out, bytes),
                 std::runtime_error);
    fs::remove_all(dir);
}

// The header alone: nibabel's sizes and affines for every fixture, without
// the values being read, so that a file whose data end early still gives its
// grid (the values' reader refuses it); a file without a NIfTI header, a
// missing file and a folder are refused as the reader refuses them.
TEST(NiftiImage, HeaderAloneIsNibabelsWithoutReadingTheValues) {
    const json all = fixtures();
    ASSERT_GE(all["images"].size(), 10u);
    for (const json& f : all["images"]) {
        SCOPED_TRACE(f["file"].get<std::string>());
        const auto header = talvora::formats::readNiftiHeader(kData / f["file"].get<std::string>());
        for (int d = 0; d < 4; ++d) EXPECT_EQ(header.size[d], f["size"][d].get<int>());
        EXPECT_EQ(header.affineSource, f["affine_source"].get<std::string>());
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(header.affine(r, c), f["affine"][r][c].get<double>(), 1e-5);
        EXPECT_NEAR(header.timeStepMilliseconds(), f["tr_ms"].get<double>(), 1e-6);
    }
    for (const char* name : {"truncated.nii", "truncated_data.nii.gz", "truncated_stream.nii.gz"}) {
        SCOPED_TRACE(name);
        const auto header = talvora::formats::readNiftiHeader(kData / name);
        EXPECT_GT(header.voxelsPerVolume() * header.volumes(), 0u);
        EXPECT_NE(refusal(kData / name), "");
    }
    const auto headerRefusal = [](const fs::path& path) -> std::string {
        try {
            talvora::formats::readNiftiHeader(path);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(headerRefusal(kData / "not_nifti.nii"), refusal(kData / "not_nifti.nii"));
    EXPECT_NE(headerRefusal(kData / "not_nifti.nii").find("is not a readable NIfTI image"),
              std::string::npos);
    EXPECT_EQ(headerRefusal(kData / "no_such_image.nii.gz"), refusal(kData / "no_such_image.nii.gz"));
    EXPECT_NE(headerRefusal(kData / "no_such_image.nii.gz"), "");
    EXPECT_NE(headerRefusal(kData), "");
}
