// The distortion correction on real-data files: the phantom pair written as
// BIDS dir-AP/dir-PA EPI images with sidecars, converted to projects and
// estimated, gives the same map as the phantom's own projects; the map in Hz
// is the displacement over TotalReadoutTime with the sign of the encoding;
// and the undistorted series goes back to NIfTI at the image's position.
#include "host/formats/fmr_map_file.h"
#include "host/formats/nifti_image.h"

#include "support/run_program.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {
namespace fs = std::filesystem;
using test_support::contains;
using test_support::shell;

const std::string kTalvora = std::string(TALVORA_EXE) + " ";

std::string estimateJob(const std::string& file0, const std::string& file1) {
    return R"({"plugin": "Mirel_r122", "documents": {"fmr": ")" + file0 +
           R"("}, "commands": [{"command": "estimate", "parameters": {"file0": ")" + file0 +
           R"(", "file1": ")" + file1 +
           R"(", "volume0": 0, "volume1": 0, "rllr": 0, "use_ic": 0, "use_ssd": 1, "apply_to_input": 1, )"
           R"("save_derivative": 0, "order": 0}}]})";
}

class PhantomAsBids : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmp = new test_support::TempFolder;
        const auto made =
            shell(std::string(PHANTOM_EXE) + " --small --bids --size 24x30x9 --volumes 2 --out " +
                  (tmp->path() / "p").string());
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete tmp;
        tmp = nullptr;
    }
    static fs::path set() { return tmp->path() / "p" / "ap_pa_sev5"; }
    static fs::path fmap() { return set() / "bids" / "sub-phantom" / "fmap"; }
    static test_support::TempFolder* tmp;
};
test_support::TempFolder* PhantomAsBids::tmp = nullptr;

TEST_F(PhantomAsBids, ConvertedPairEstimatesTheSameMapAndGoesBackToNifti) {
    const fs::path conv = tmp->path() / "converted";
    fs::create_directories(conv);
    const auto ap =
        shell(kTalvora + "convert " + (fmap() / "sub-phantom_dir-AP_epi.nii.gz").string() + " " +
              (conv / "ap.fmr").string() + " --pair " + (fmap() / "sub-phantom_dir-PA_epi.nii.gz").string());
    ASSERT_EQ(ap.status, 0) << ap.output;
    EXPECT_TRUE(contains(ap.output, "phase encoding j- runs along the rows (y): rllr 0 (AP/PA)"))
        << ap.output;
    const auto pa = shell(kTalvora + "convert " + (fmap() / "sub-phantom_dir-PA_epi.nii.gz").string() + " " +
                          (conv / "pa.fmr").string());
    ASSERT_EQ(pa.status, 0) << pa.output;

    test_support::writeBytes(conv / "job.json", estimateJob("ap.fmr", "pa.fmr"));
    const std::string plugins = std::string(" --plugins-dir ") + PLUGINS_DIR;
    const auto viaBids = shell(kTalvora + "run " + (conv / "job.json").string() + plugins);
    ASSERT_EQ(viaBids.status, 0) << viaBids.output;
    test_support::writeBytes(set() / "job_direct.json", estimateJob("run_ap.fmr", "run_pa.fmr"));
    const auto direct = shell(kTalvora + "run " + (set() / "job_direct.json").string() + plugins);
    ASSERT_EQ(direct.status, 0) << direct.output;

    const auto fromBids = talvora::formats::readFmrMapFile(conv / "ap_vdm.map");
    const auto fromProjects = talvora::formats::readFmrMapFile(set() / "run_ap_vdm.map");
    ASSERT_EQ(fromBids.maps.size(), 1u);
    ASSERT_EQ(fromBids.maps[0].values.size(), fromProjects.maps[0].values.size());
    double largest = 0.0;
    for (float v : fromProjects.maps[0].values) largest = std::max(largest, std::fabs(double(v)));
    EXPECT_GT(largest, 1.0);  // a real field was estimated
    EXPECT_EQ(fromBids.maps[0].values, fromProjects.maps[0].values);

    // Displacement and field back to NIfTI, on the EPI's grid and affine.
    ASSERT_EQ(
        shell(kTalvora + "convert " + (conv / "ap_vdm.map").string() + " " + (conv / "vdm.nii.gz").string())
            .status,
        0);
    const auto hz = shell(kTalvora + "convert " + (conv / "ap_vdm.map").string() + " " +
                          (conv / "field.nii.gz").string() + " --hz");
    ASSERT_EQ(hz.status, 0) << hz.output;
    const auto epi = talvora::formats::readNiftiImage(fmap() / "sub-phantom_dir-AP_epi.nii.gz");
    const auto vdm = talvora::formats::readNiftiImage(conv / "vdm.nii.gz");
    const auto field = talvora::formats::readNiftiImage(conv / "field.nii.gz");
    EXPECT_TRUE(vdm.header.affine.isApprox(epi.header.affine, 1e-9));
    EXPECT_EQ(vdm.values, fromBids.maps[0].values);
    ASSERT_EQ(field.values.size(), vdm.values.size());
    // dir-AP is encoded along j-, TotalReadoutTime 0.05 s: f = -D / 0.05.
    for (std::size_t i = 0; i < vdm.values.size(); ++i)
        ASSERT_NEAR(field.values[i], -vdm.values[i] / 0.05, 1e-4 * (1.0 + std::fabs(vdm.values[i] / 0.05)))
            << i;

    const auto undist = shell(kTalvora + "convert " + (conv / "ap_undist.fmr").string() + " " +
                              (conv / "undist.nii.gz").string());
    ASSERT_EQ(undist.status, 0) << undist.output;
    const auto back = talvora::formats::readNiftiImage(conv / "undist.nii.gz");
    EXPECT_TRUE(back.header.affine.isApprox(epi.header.affine, 1e-9));
    EXPECT_EQ(back.header.size, epi.header.size);
    EXPECT_NEAR(back.header.timeStepMilliseconds(), 2000.0, 1e-6);
}

TEST_F(PhantomAsBids, PairsThatAreNotOppositeAndMissingDirectionsAreRefused) {
    const fs::path conv = tmp->path() / "refused";
    fs::create_directories(conv);
    const fs::path ap = fmap() / "sub-phantom_dir-AP_epi.nii.gz";
    // The same direction twice.
    const auto same = shell(kTalvora + "convert " + ap.string() + " " + (conv / "ap.fmr").string() +
                            " --pair " + ap.string());
    EXPECT_EQ(same.status, 2) << same.output;
    EXPECT_TRUE(
        contains(same.output,
                 "sub-phantom_dir-AP_epi.json: \"PhaseEncodingDirection\" \"j-\" is not opposite to \"j-\""))
        << same.output;
    // A direction along the other axis.
    fs::copy_file(ap, conv / "lr.nii.gz");
    test_support::writeBytes(conv / "lr.json", "{\"PhaseEncodingDirection\": \"i\"}");
    const auto crossed = shell(kTalvora + "convert " + ap.string() + " " + (conv / "ap.fmr").string() +
                               " --pair " + (conv / "lr.nii.gz").string());
    EXPECT_EQ(crossed.status, 2) << crossed.output;
    EXPECT_TRUE(contains(crossed.output, "lr.json: \"PhaseEncodingDirection\" \"i\" is not opposite"))
        << crossed.output;
    // No direction at all.
    fs::copy_file(ap, conv / "plain.nii.gz");
    test_support::writeBytes(conv / "plain.json", "{\"TotalReadoutTime\": 0.05}");
    const auto missing =
        shell(kTalvora + "convert " + (conv / "plain.nii.gz").string() + " " + (conv / "p.fmr").string());
    EXPECT_EQ(missing.status, 2) << missing.output;
    EXPECT_TRUE(
        contains(missing.output, (conv / "plain.json").string() + ": has no \"PhaseEncodingDirection\""))
        << missing.output;
    // No sidecar at all.
    fs::copy_file(ap, conv / "bare.nii.gz");
    const auto bare =
        shell(kTalvora + "convert " + (conv / "bare.nii.gz").string() + " " + (conv / "b.fmr").string());
    EXPECT_EQ(bare.status, 2) << bare.output;
    EXPECT_TRUE(contains(bare.output, (conv / "bare.json").string() + ": no such file")) << bare.output;
    // Nothing written by any refusal.
    for (const char* name : {"ap.fmr", "ap.stc", "ap.fmr.json", "p.fmr", "p.stc", "b.fmr", "b.fmr.json"})
        EXPECT_FALSE(fs::exists(conv / name)) << name;
}

}  // namespace
