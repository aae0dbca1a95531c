// Reading compressed NIfTI images in one pass: values across the read
// buffer's growth steps, the exact count of bytes a short stream holds, and
// a header that promises far more than the file holds, which must fail
// naming the file without the memory the header asks for.
#include "host/formats/nifti_image.h"

#include <gtest/gtest.h>
#include <nifti2_io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

class NiftiGzRead : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("talvora_nifti_gz_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

// A NIfTI-1 float32 image of the given size whose data are `values` (which
// may be fewer than the size promises), gzip-compressed.
void writeGz(const fs::path& path, const std::array<short, 4>& size, const std::vector<float>& values) {
    nifti_1_header h;
    std::memset(&h, 0, sizeof h);
    h.sizeof_hdr = 348;
    h.dim[0] = 4;
    for (int d = 0; d < 4; ++d) h.dim[d + 1] = size[d];
    h.dim[5] = h.dim[6] = h.dim[7] = 1;
    h.datatype = DT_FLOAT32;
    h.bitpix = 32;
    for (int d = 0; d < 8; ++d) h.pixdim[d] = 1.0f;
    h.vox_offset = 352.0f;
    h.xyzt_units = NIFTI_UNITS_MM | NIFTI_UNITS_SEC;
    std::memcpy(h.magic, "n+1", 4);
    znzFile f = znzopen(path.string().c_str(), "wb", 1);
    ASSERT_FALSE(znz_isnull(f));
    const char extension[4] = {0, 0, 0, 0};
    ASSERT_EQ(znzwrite(&h, 1, sizeof h, f), sizeof h);
    ASSERT_EQ(znzwrite(extension, 1, 4, f), 4u);
    const std::size_t bytes = values.size() * sizeof(float);
    ASSERT_EQ(znzwrite(values.data(), 1, bytes, f), bytes);
    znzclose(f);
}

std::string refusal(const fs::path& path) {
    try {
        fmt::NiftiReader reader(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

// Values no buffer step could produce by accident: each its own index.
std::vector<float> indexValues(std::size_t count) {
    std::vector<float> values(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = static_cast<float>(i) * 0.5f - 7.0f;
    return values;
}

}  // namespace

// 64 x 64 x 64 x 5 float32 values are 5 MiB: the read buffer grows three
// times on the way (1, 2, 4 MiB, then the promised 5 MiB).
TEST_F(NiftiGzRead, ValuesSurviveTheBufferGrowing) {
    const std::vector<float> values = indexValues(64u * 64u * 64u * 5u);
    writeGz(dir_ / "run.nii.gz", {64, 64, 64, 5}, values);
    fmt::NiftiReader reader(dir_ / "run.nii.gz");
    std::vector<float> volume;
    const std::size_t n = reader.header().voxelsPerVolume();
    ASSERT_EQ(reader.header().volumes(), 5u);
    for (std::size_t t = 0; t < 5; ++t) {
        reader.readNextVolume(volume);
        ASSERT_EQ(volume.size(), n);
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(volume[i], values[t * n + i]) << "volume " << t;
    }
    EXPECT_THROW(reader.readNextVolume(volume), std::runtime_error);
    EXPECT_EQ(fmt::readNiftiImage(dir_ / "run.nii.gz").values, values);
}

// A whole stream that holds 3 MiB and 8 bytes where 5 MiB are promised: the
// count said is exactly what the stream holds, past two growth steps.
TEST_F(NiftiGzRead, AShortStreamIsTruncatedByTheBytesItHolds) {
    const std::size_t held = (3u << 20) / 4 + 2;
    writeGz(dir_ / "short.nii.gz", {64, 64, 64, 5}, indexValues(held));
    const fs::path path = dir_ / "short.nii.gz";
    EXPECT_EQ(refusal(path), path.string() + ": is truncated: it holds " + std::to_string(held * 4) +
                                 " bytes of image data, its header promises " +
                                 std::to_string(64u * 64u * 64u * 5u * 4u));
}

// The gzip trailer's last four bytes (ISIZE, the decompressed size mod 2^32)
// set to `size`: a trailer that no longer tells the truth.
void setTrailerSize(const fs::path& path, std::uint32_t size) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(-4, std::ios::end);
    const unsigned char bytes[4] = {static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
                                    static_cast<unsigned char>(size >> 16),
                                    static_cast<unsigned char>(size >> 24)};
    f.write(reinterpret_cast<const char*>(bytes), 4);
    ASSERT_TRUE(f.good());
}

// Whether `message` refuses `path` as truncated, with the header's promise.
bool refusedAsTruncated(const std::string& message, const fs::path& path, std::uint64_t promised) {
    const std::string tail = ", its header promises " + std::to_string(promised);
    return message.rfind(path.string() + ": is truncated: it holds ", 0) == 0 &&
           message.size() > tail.size() &&
           message.compare(message.size() - tail.size(), tail.size(), tail) == 0;
}

// A short stream whose trailer claims the size the header promises: the
// one-call inflate finds the stream shorter than its trailer says, and the
// streaming read refuses the file (zlib, too, checks the trailer; the
// bytes of the read that met the bad trailer are not counted).
TEST_F(NiftiGzRead, ATrailerVouchingForTheHeaderDoesNotHideAShortStream) {
    const std::size_t held = (3u << 20) / 4 + 2;
    const fs::path path = dir_ / "short.nii.gz";
    writeGz(path, {64, 64, 64, 5}, indexValues(held));
    const std::uint32_t promised = 64u * 64u * 64u * 5u * 4u;
    setTrailerSize(path, 352u + promised);
    const std::string message = refusal(path);
    EXPECT_TRUE(refusedAsTruncated(message, path, promised)) << message;
}

// A whole stream whose trailer disagrees with the header (by one byte) is
// not taken on the trailer's word: the streaming read decides, and refuses
// the file as a corrupt stream, naming it, rather than hand out its values.
TEST_F(NiftiGzRead, ATrailerDisagreeingWithTheHeaderIsRefused) {
    const fs::path path = dir_ / "run.nii.gz";
    const std::uint32_t promised = 64u * 64u * 64u * 2u * 4u;
    writeGz(path, {64, 64, 64, 2}, indexValues(64u * 64u * 64u * 2u));
    ASSERT_NO_THROW(fmt::readNiftiImage(path));
    setTrailerSize(path, 352u + promised + 1u);
    const std::string message = refusal(path);
    EXPECT_TRUE(refusedAsTruncated(message, path, promised)) << message;
}

// An image stored as two gzip members (as `cat a.gz b.gz` makes, legal
// gzip): not one call's work; the streaming read, growing its buffer past
// several steps, reads both members.
TEST_F(NiftiGzRead, TwoGzipMembersAreReadWhole) {
    const std::vector<float> values = indexValues(64u * 64u * 64u * 5u);
    const fs::path path = dir_ / "two.nii.gz";
    const std::size_t first = values.size() / 3;
    writeGz(path, {64, 64, 64, 5}, std::vector<float>(values.begin(), values.begin() + first));
    znzFile f = znzopen(path.string().c_str(), "ab", 1);
    ASSERT_FALSE(znz_isnull(f));
    const std::size_t rest = (values.size() - first) * sizeof(float);
    ASSERT_EQ(znzwrite(values.data() + first, 1, rest, f), rest);
    znzclose(f);
    EXPECT_EQ(fmt::readNiftiImage(path).values, values);
}

#ifdef __linux__
#if defined(__SANITIZE_ADDRESS__)
#define TALVORA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALVORA_ADDRESS_SANITIZER 1
#endif
#endif

// In a death-test child: caps the address space at what the process holds
// plus 256 MiB, reads, and exits 0 only for the refusal naming the file and
// the header's promise.
[[noreturn]] void readWithLittleMemory(const fs::path& path, const std::string& promised) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = rlim_t(pages) * 4096 + (rlim_t(256) << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
    const std::string message = refusal(path);
    std::cerr << message << std::endl;
    const bool named = message.rfind(path.string() + ": is truncated: it holds ", 0) == 0;
    const bool promise = message.find("its header promises " + promised) != std::string::npos;
    std::exit(named && promise ? 0 : 1);
}

// A header promising 2048 x 2048 x 1024 x 16 float32 values (256 GiB) over
// 3 MiB of data whose compressed stream is cut in the middle. In a child
// process whose address space may grow by 256 MiB only, the read must fail
// with the file named and the header's promise, not for want of memory.
TEST_F(NiftiGzRead, AHugePromiseOverACutStreamFailsWithoutItsMemory) {
#ifdef TALVORA_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    const fs::path path = dir_ / "huge.nii.gz";
    writeGz(path, {2048, 2048, 1024, 16}, indexValues((3u << 20) / 4));
    const auto whole = fs::file_size(path);
    fs::resize_file(path, whole * 2 / 3);  // the deflate stream ends early, no gzip trailer
    const std::string promised = std::to_string(std::uint64_t(2048) * 2048 * 1024 * 16 * 4);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";  // a fresh process, whatever threads run
    EXPECT_EXIT(readWithLittleMemory(path, promised), ::testing::ExitedWithCode(0),
                "is truncated: it holds [0-9]+ bytes of image data");
#endif
}
#endif
