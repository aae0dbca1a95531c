// VOIs, masks and the GLM of the current volume through the C interface.
#include "host/formats/glm_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/voi_file.h"
#include "host_fixture.h"

using test_support::HostDocuments;
using test_support::writeBytes;
namespace fmt = talvora::formats;

TEST_F(HostDocuments, VoisAreLoadedAndHandedOut) {
    openVmr();
    fmt::VoiFile vois;
    vois.convention = fmt::VoiFile::kReferenceConvention;
    vois.vois = {{"FFA", {10, 20, 30, 11, 20, 30}}, {"Empty", {}}};
    fmt::writeVoiFile(tmp / "a.voi", vois);
    ASSERT_EQ(hxLoadVOIs(file("a.voi").c_str()), 1);

    tl::VOISetRecord set{};
    ASSERT_EQ(hxGetVOIs(&set), 1);
    EXPECT_EQ(set.nrOfVOIs, 2);
    EXPECT_EQ(set.convention, 3);
    tl::VOIRecord voi{};
    const int* voxels = hxGetVOI(0, &voi);
    ASSERT_NE(voxels, nullptr);
    EXPECT_EQ(voi.nrOfVoxels, 2);
    EXPECT_EQ(std::string(voi.name), "FFA");
    EXPECT_EQ(std::vector<int>(voxels, voxels + 6), (std::vector<int>{10, 20, 30, 11, 20, 30}));
    EXPECT_NE(hxGetVOI(1, &voi), nullptr);  // an empty VOI is still a VOI
    EXPECT_EQ(voi.nrOfVoxels, 0);
    EXPECT_EQ(hxGetVOI(2, &voi), nullptr);
    EXPECT_EQ(hxGetVOI(-1, &voi), nullptr);

    // Refused files keep the VOIs already loaded.
    writeBytes(tmp / "outside.voi",
               "TALVORA-VOI 1\nCoordinates: volume\nNrOfVOIs: 1\nVOI: V\nNrOfVoxels: 1\n0 0 256\n");
    EXPECT_EQ(hxLoadVOIs(file("outside.voi").c_str()), 0);
    EXPECT_EQ(logged("Talvora> " + file("outside.voi") + ": line 6: voxel 1 of VOI \"V\" lies outside"), 1u);
    EXPECT_EQ(hxLoadVOIs(nullptr), 0);
    ASSERT_EQ(hxGetVOIs(&set), 1);
    EXPECT_EQ(set.nrOfVOIs, 2);
}

TEST_F(HostDocuments, MaskMustFitTheLinkedVtc) {
    openVmr();
    writeProtocol("p.prt", {4000});
    writeFloatVtc("a.vtc", 1, header());
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("a.vtc").c_str(), 0), 1);

    const std::vector<std::uint8_t> bytes{0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 9};
    fmt::writeMaskFile(tmp / "a.msk", fmt::MaskFile{grid(), bytes});
    ASSERT_EQ(hxLoadMaskToCurrentVMR(file("a.msk").c_str()), 1);
    const unsigned char* mask = hxGetMaskOfCurrentVMR();
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(mask, mask + 12), bytes);

    fmt::FunctionalGrid shifted = grid();
    shifted.xStart += 3;
    shifted.xEnd += 3;
    fmt::writeMaskFile(tmp / "b.msk", fmt::MaskFile{shifted, bytes});
    EXPECT_EQ(hxLoadMaskToCurrentVMR(file("b.msk").c_str()), 0);
    EXPECT_EQ(
        logged(
            "b.msk: the mask's grid (resolution 3, box x 33-42 y 60-66 z 90-96) does not match the linked VTC"),
        1u);
    writeBytes(tmp / "c.msk", "not a mask");
    EXPECT_EQ(hxLoadMaskToCurrentVMR(file("c.msk").c_str()), 0);
    EXPECT_EQ(hxGetMaskOfCurrentVMR(), mask);  // the earlier mask stays
}

TEST_F(HostDocuments, GlmGivesItsRecordAndMaps) {
    fmt::VmrFile vmr;
    fmt::writeVmrFile(tmp / "anatomy.vmr", vmr);
    fmt::GlmFile glm;
    glm.nrOfPredictors = 4;
    glm.nrOfStudies = 2;
    glm.separatePredictors = 1;
    glm.grid = grid();
    for (std::size_t i = 0; i < glm.nrOfMaps() * 12; ++i) glm.maps.push_back(static_cast<float>(i));
    fmt::writeGlmFile(tmp / "a.glm", glm);
    talvora::openDocuments(nlohmann::json{{"vmr", "anatomy.vmr"}, {"glm", "a.glm"}}, tmp.path());

    tl::GLMRecord record{};
    const float* maps = hxGetGLMOfCurrentVMR(&record);
    ASSERT_NE(maps, nullptr);
    EXPECT_EQ(record.nrOfPredictors, 4);
    EXPECT_EQ(record.nrOfStudies, 2);
    EXPECT_EQ(record.separatePredictors, 1);
    // Map m, voxel v sits at m * voxels + v.
    EXPECT_EQ(maps[3 * 12 + 5], 41.0f);
    EXPECT_EQ(std::vector<float>(maps, maps + glm.maps.size()), glm.maps);
}
