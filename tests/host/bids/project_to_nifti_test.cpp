// Displacement maps and projects back to NIfTI: the field in Hz and its
// sign, the placement found through the project's sidecar, refusals.
#include "host/bids/project_to_nifti.h"

#include "host/formats/fmr_map_file.h"
#include "host/formats/nifti_image.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using test_support::TempFolder;
using test_support::writeBytes;

const char* kPlacement =
    R"("AnatomicalVoxelToWorld": [[-2, 0, 0, 30], [0, 2, 0, -20], [0, 0, 3, 5], [0, 0, 0, 1]])";

void writeMap(const fs::path& path) {
    fmt::FmrMapFile file;
    file.nx = 3, file.ny = 2, file.nz = 1;
    fmt::FmrMap map;
    map.name = "VDM";
    map.values = {0.0f, 1.0f, -2.0f, 0.5f, 3.0f, -0.25f};
    file.maps.push_back(map);
    fmt::writeFmrMapFile(path, file);
}

std::string convert(const fs::path& in, const fs::path& out, bool hz) {
    std::ostringstream report;
    fmt::ConvertRequest request;
    request.input = in;
    request.output = out;
    if (hz) request.flags.insert("--hz");
    request.report = &report;
    talvora::bids::convertDisplacementMapToNifti(request);
    return report.str();
}

TEST(DisplacementMapToNifti, HzIsDisplacementOverReadoutTimeSignedByTheEncoding) {
    for (const auto& [direction, sign] :
         {std::pair<std::string, float>{"j", 1.0f}, {"j-", -1.0f}, {"i-", -1.0f}}) {
        TempFolder tmp;
        writeBytes(tmp / "run.fmr.json", std::string("{") + kPlacement + R"(, "PhaseEncodingDirection": ")" +
                                             direction + R"(", "TotalReadoutTime": 0.04})");
        writeMap(tmp / "run_vdm.map");
        convert(tmp / "run_vdm.map", tmp / "vdm.nii.gz", false);
        convert(tmp / "run_vdm.map", tmp / "hz.nii.gz", true);
        const auto vdm = fmt::readNiftiImage(tmp / "vdm.nii.gz");
        const auto hz = fmt::readNiftiImage(tmp / "hz.nii.gz");
        EXPECT_EQ(vdm.values, (std::vector<float>{0.0f, 1.0f, -2.0f, 0.5f, 3.0f, -0.25f}));
        // 1 voxel over 0.04 s is 25 Hz.
        const std::vector<float> expected{0.0f, 25.0f, -50.0f, 12.5f, 75.0f, -6.25f};
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_FLOAT_EQ(hz.values[i], sign * expected[i]) << direction;
        EXPECT_EQ(hz.header.size, (std::array<std::int64_t, 4>{3, 2, 1, 1}));
        EXPECT_DOUBLE_EQ(hz.header.affine(0, 0), -2.0);
        EXPECT_DOUBLE_EQ(hz.header.affine(0, 3), 30.0);
        EXPECT_DOUBLE_EQ(hz.header.affine(2, 2), 3.0);
        EXPECT_NE(test_support::readBytes(tmp / "hz.json").find("\"Units\": \"Hz\""), std::string::npos);
        EXPECT_NE(test_support::readBytes(tmp / "vdm.json").find("\"Units\": \"voxels\""), std::string::npos);
    }
}

TEST(DisplacementMapToNifti, RefusesWithoutReadoutTimeOrPlacement) {
    TempFolder tmp;
    writeMap(tmp / "run_vdm.map");
    try {
        convert(tmp / "run_vdm.map", tmp / "vdm.nii.gz", false);
        ADD_FAILURE() << "a map without placement was converted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find((tmp / "run_vdm.map").string() + ": has no world placement"),
                  std::string::npos)
            << e.what();
    }
    writeBytes(tmp / "run.fmr.json", std::string("{") + kPlacement + R"(, "PhaseEncodingDirection": "j"})");
    try {
        convert(tmp / "run_vdm.map", tmp / "hz.nii.gz", true);
        ADD_FAILURE() << "--hz without TotalReadoutTime was converted";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  (tmp / "run.fmr.json").string() +
                      ": has no \"TotalReadoutTime\": --hz needs it (the EPI sidecar lacked it)");
    }
    EXPECT_FALSE(fs::exists(tmp / "vdm.nii.gz"));
    EXPECT_FALSE(fs::exists(tmp / "hz.nii.gz"));
    EXPECT_FALSE(fs::exists(tmp / "hz.json"));
}

TEST(DisplacementMapToNifti, SidecarNamesLeadToTheProject) {
    TempFolder tmp;
    writeBytes(tmp / "run.dmr.json", "{}");
    EXPECT_EQ(talvora::bids::projectSidecarFor(tmp / "run_vdmderiv.map"), tmp / "run.dmr.json");
    EXPECT_EQ(talvora::bids::projectSidecarFor(tmp / "run_undist.dmr"), tmp / "run.dmr.json");
    EXPECT_EQ(talvora::bids::projectSidecarFor(tmp / "other_vdm.map"), fs::path());
    writeBytes(tmp / "run_undist.dmr.json", "{}");
    EXPECT_EQ(talvora::bids::projectSidecarFor(tmp / "run_undist.dmr"), tmp / "run_undist.dmr.json");
}

}  // namespace
