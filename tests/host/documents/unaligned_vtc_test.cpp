// VTCs whose header leaves the data unaligned (real files have odd header
// lengths): the data handed out whole are aligned and identical to the file's,
// yet the file is never copied whole: only the pages a plug-in touches are.
#include "host/documents/doc_store.h"
#include "host_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using test_support::HostDocuments;
namespace fmt = talvora::formats;

// A header whose length leaves `remainder` over a multiple of 4.
fmt::VtcHeader headerWithRemainder(fmt::VtcHeader h, std::size_t remainder) {
    while (fmt::encodeVtcHeader(h).size() % 4 != remainder) h.sourceFMR += "x";
    return h;
}

// Resident pages of a page-aligned range, as the kernel counts them.
std::size_t residentPages(const void* start, std::size_t bytes) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> flags((bytes + page - 1) / page);
    if (::mincore(const_cast<void*>(start), bytes, flags.data()) != 0) return SIZE_MAX;
    std::size_t n = 0;
    for (unsigned char f : flags) n += f & 1;
    return n;
}

class UnalignedVtc : public HostDocuments {};

TEST_F(UnalignedVtc, FloatDataAreAlignedIdenticalAndNotCopiedWhole) {
    openVmr();
    // 12 voxels x 4000 volumes x 4 bytes: 47 pages of data.
    for (std::size_t remainder : {1u, 2u, 3u}) {
        SCOPED_TRACE(remainder);
        const fmt::VtcHeader h = headerWithRemainder(header(4000, 2, ""), remainder);
        const auto data = writeFloatVtc("odd.vtc", static_cast<int>(remainder), h);
        ASSERT_EQ(hxLinkVTCToCurrentVMR(file("odd.vtc").c_str(), 0), 1);
        float* floats = hxGetVTCFloatDataOfCurrentVMR();
        ASSERT_NE(floats, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(floats) % alignof(float), 0u);

        const talvora::LinkedVtc* linked = talvora::DocumentStore::instance().linked();
        ASSERT_TRUE(linked && linked->alignedView);
        const std::size_t bytes = data.size() * sizeof(float);
        EXPECT_EQ(linked->alignedView->pagesFilled(), 0u);
        EXPECT_EQ(residentPages(floats, bytes), 0u);

        // One voxel's time course (4000 values, 16000 bytes) touches 4 or 5 pages.
        const std::size_t voxel = 7, n = 4000;
        EXPECT_EQ(std::vector<float>(floats + voxel * n, floats + (voxel + 1) * n),
                  std::vector<float>(data.begin() + voxel * n, data.begin() + (voxel + 1) * n));
        EXPECT_LE(linked->alignedView->pagesFilled(), 5u);
        EXPECT_LE(residentPages(floats, bytes), 5u);

        // Every value, then: identical to the file's.
        EXPECT_EQ(std::memcmp(floats, data.data(), bytes), 0);
        // A plug-in that writes into the data changes its view only, never the file.
        floats[3] = -1.0f;
        EXPECT_EQ(floats[3], -1.0f);
        EXPECT_EQ(fmt::readVtcFile(tmp / "odd.vtc").floatValues[3], data[3]);
    }
}

TEST_F(UnalignedVtc, IntDataAreAlignedAndIdentical) {
    openVmr();
    const fmt::VtcHeader h = headerWithRemainder(header(3, 1, ""), 1);
    std::vector<std::uint16_t> ints(12 * 3);
    for (std::size_t i = 0; i < ints.size(); ++i) ints[i] = static_cast<std::uint16_t>(60000 + 7 * i);
    fmt::writeVtcFile(tmp / "odd16.vtc", h, {}, ints);
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("odd16.vtc").c_str(), 0), 1);
    const unsigned short* shorts = hxGetVTCIntDataOfCurrentVMR();
    ASSERT_NE(shorts, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(shorts) % alignof(std::uint16_t), 0u);
    EXPECT_EQ(std::vector<std::uint16_t>(shorts, shorts + ints.size()), ints);
}

// A fault outside every view still reaches the handler that was there before.
TEST(UnalignedVtcDeathTest, OtherFaultsStillCrash) {
    const unsigned char source[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    talvora::platform::LazyAlignedCopy view(source, sizeof source);
    ASSERT_NE(view.data(), nullptr);
    EXPECT_EQ(static_cast<const unsigned char*>(view.data())[5], 6);
    EXPECT_DEATH(
        {
            volatile int* nowhere = nullptr;
            *nowhere = 1;
        },
        "");
}

}  // namespace
