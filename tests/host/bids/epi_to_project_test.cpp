// EPI series to projects: the data file's byte order (FMR slice by slice,
// DMR volume by volume), the header's sizes, voxel sizes and gradient table,
// the placement sidecar, and the way back to NIfTI.
#include "host/bids/epi_to_project.h"
#include "host/bids/project_to_nifti.h"

#include "host/formats/nifti_image.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using test_support::readBytes;
using test_support::TempFolder;
using test_support::writeBytes;

// 2 x 2 x 2 voxels, 3 volumes; value = 100 t + 10 z + 2 y + x.
void writeEpi(const fs::path& path) {
    fmt::NiftiOutput out;
    out.size = {2, 2, 2, 3};
    out.affine.setIdentity();
    out.affine(0, 0) = 2.5, out.affine(1, 1) = -2.5, out.affine(2, 2) = 4.0;
    out.affine.block<3, 1>(0, 3) << -10, 12, 3;
    out.trSeconds = 1.5;
    std::vector<float> values;
    for (int t = 0; t < 3; ++t)
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x) values.push_back(float(100 * t + 10 * z + 2 * y + x));
    fmt::writeNiftiImage(path, out, values);
}

std::vector<float> floatsOf(const std::string& bytes) {
    std::vector<float> v(bytes.size() / 4);
    std::memcpy(v.data(), bytes.data(), v.size() * 4);
    return v;
}

fmt::ConvertRequest request(const fs::path& in, const fs::path& out, std::ostream& report,
                            std::map<std::string, std::string> options = {}) {
    fmt::ConvertRequest r;
    r.input = in;
    r.output = out;
    r.options = std::move(options);
    r.report = &report;
    return r;
}

TEST(EpiToProject, FunctionalProjectHoldsSlicesOfEveryVolumeInTurn) {
    TempFolder tmp;
    writeEpi(tmp / "epi.nii.gz");
    writeBytes(tmp / "epi.json", R"({"PhaseEncodingDirection": "i-", "TotalReadoutTime": 0.03})");
    std::ostringstream report;
    talvora::bids::convertEpiToFmr(request(tmp / "epi.nii.gz", tmp / "run.fmr", report));
    EXPECT_NE(report.str().find("phase encoding i- runs along the columns (x): rllr 1 (LR/RL)"),
              std::string::npos)
        << report.str();
    // Plane z of volume t: 4 values; order z = 0 (t = 0, 1, 2), then z = 1.
    EXPECT_EQ(floatsOf(readBytes(tmp / "run.stc")),
              (std::vector<float>{0,  1,  2,  3,  100, 101, 102, 103, 200, 201, 202, 203,
                                  10, 11, 12, 13, 110, 111, 112, 113, 210, 211, 212, 213}));
    const std::string header = readBytes(tmp / "run.fmr");
    for (const char* line : {"NrOfVolumes:                  3\n", "NrOfSlices:                   2\n",
                             "ResolutionX:                  2\n", "Prefix:                       \"run\"\n",
                             "DataType:                     2\n", "TR:                           1500\n",
                             "InplaneResolutionX:           2.5\n", "InplaneResolutionY:           2.5\n",
                             "SliceThickness:               4\n"})
        EXPECT_NE(header.find(line), std::string::npos) << line << header;
    const std::string sidecar = readBytes(tmp / "run.fmr.json");
    EXPECT_NE(sidecar.find("\"rllr\": 1"), std::string::npos) << sidecar;
    EXPECT_NE(sidecar.find("\"TotalReadoutTime\": 0.03"), std::string::npos) << sidecar;

    // And back: the same values at the same world position, TR kept.
    talvora::bids::convertProjectToNifti(request(tmp / "run.fmr", tmp / "back.nii.gz", report));
    const auto original = fmt::readNiftiImage(tmp / "epi.nii.gz");
    const auto back = fmt::readNiftiImage(tmp / "back.nii.gz");
    EXPECT_EQ(back.values, original.values);
    EXPECT_TRUE(back.header.affine.isApprox(original.header.affine, 1e-12));
    EXPECT_DOUBLE_EQ(back.header.timeStepMilliseconds(), 1500.0);
}

TEST(EpiToProject, DiffusionProjectHoldsVolumesInTurnAndTheGradientTable) {
    TempFolder tmp;
    writeEpi(tmp / "dwi.nii.gz");
    writeBytes(tmp / "dwi.json", R"({"PhaseEncodingDirection": "j"})");
    writeBytes(tmp / "dwi.bvec", "0 1 0\n0 0 0.6\n0 0 0.8\n");
    writeBytes(tmp / "dwi.bval", "0 1000 2000\n");
    std::ostringstream report;
    talvora::bids::convertEpiToDmr(
        request(tmp / "dwi.nii.gz", tmp / "d.dmr", report,
                {{"--bvec", (tmp / "dwi.bvec").string()}, {"--bval", (tmp / "dwi.bval").string()}}));
    const std::vector<float> data = floatsOf(readBytes(tmp / "d.dwi"));
    ASSERT_EQ(data.size(), 24u);
    for (std::size_t i = 0; i < 24; ++i)
        EXPECT_EQ(data[i], float(100 * (i / 8) + 10 * ((i / 4) % 2) + 2 * ((i / 2) % 2) + i % 2)) << i;
    const std::string header = readBytes(tmp / "d.dmr");
    EXPECT_NE(header.find("GradientInformationAvailable: YES\n0 0 0 0\n1 0 0 1000\n0 0.6 0.8 2000\n"),
              std::string::npos)
        << header;

    // A table that does not fit the series is refused, and nothing written.
    writeBytes(tmp / "short.bval", "0 1000\n");
    try {
        talvora::bids::convertEpiToDmr(
            request(tmp / "dwi.nii.gz", tmp / "e.dmr", report,
                    {{"--bvec", (tmp / "dwi.bvec").string()}, {"--bval", (tmp / "short.bval").string()}}));
        ADD_FAILURE() << "a short b-value table was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  (tmp / "short.bval").string() + ": has 2 values where the image has 3 volumes");
    }
    EXPECT_FALSE(fs::exists(tmp / "e.dmr"));
    EXPECT_FALSE(fs::exists(tmp / "e.dwi"));
    EXPECT_FALSE(fs::exists(tmp / "e.dmr.json"));
}

}  // namespace
