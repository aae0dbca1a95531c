// Conversions through the library, checked against nibabel's reading of the
// source images (fixtures) and against closed forms: a run goes to a VTC,
// the VTC's own values as maps come back to NIfTI at the same world
// positions with the same values; an anatomy lands in the run's space; an
// oblique run whose values are linear in world millimetres is resampled
// without error inside the run.
#include "host/formats/convert_registry.h"
#include "host/formats/map_file.h"
#include "host/formats/nifti_image.h"
#include "host/formats/vmr_file.h"
#include "host/formats/vtc_file.h"
#include "host/formats/world_placement.h"

#include <Eigen/LU>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;
namespace tf = talvora::formats;

namespace {

const fs::path kData = CONVERT_TEST_DATA;

const json& fixtures() {
    static const json all = [] {
        std::ifstream in(kData / "nifti_expected.json");
        return json::parse(in);
    }();
    return all;
}

const json& fixture(const std::string& file) {
    for (const json& f : fixtures()["images"])
        if (f["file"] == file) return f;
    throw std::runtime_error("no fixture for " + file);
}

tf::Affine affineOf(const json& f) {
    tf::Affine a;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) a(r, c) = f["affine"][r][c].get<double>();
    return a;
}

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("talvora_convert_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string convert(const fs::path& in, const fs::path& out,
                        std::map<std::string, std::string> options = {}) {
        std::ostringstream report;
        tf::ConvertRequest r;
        r.input = in;
        r.output = out;
        r.options = std::move(options);
        r.report = &report;
        tf::runConversion(r);
        return report.str();
    }
    fs::path dir;
};

void expectSameImage(const tf::NiftiImage& img, const json& f, const std::string& what) {
    SCOPED_TRACE(what);
    for (int d = 0; d < 4; ++d) ASSERT_EQ(img.header.size[d], f["size"][d].get<int>());
    EXPECT_TRUE(img.header.affine.isApprox(affineOf(f), 1e-9)) << img.header.affine;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(img.header.affine(r, c), f["affine"][r][c].get<double>(), 1e-4);
    ASSERT_EQ(img.values.size(), f["values"].size());
    for (std::size_t i = 0; i < img.values.size(); ++i)
        ASSERT_EQ(img.values[i], static_cast<float>(f["values"][i].get<double>())) << "value " << i;
}

}  // namespace

TEST_F(ConvertTest, RunsInEveryOrientationComeBackAtTheSameWorldPositions) {
    for (const char* code : {"ras", "las", "lps", "psr", "sla", "irp"}) {
        const std::string name = std::string("bold_") + code + ".nii.gz";
        const json& f = fixture(name);
        const fs::path vtcPath = dir / (std::string(code) + ".vtc");
        const std::string said = convert(kData / name, vtcPath);
        EXPECT_EQ(said.find("resampled"), std::string::npos) << said;

        const tf::VtcFile vtc = tf::readVtcFile(vtcPath);
        EXPECT_EQ(vtc.header.nrOfVolumes, 3);
        EXPECT_FLOAT_EQ(vtc.header.tr, 2000.0f);
        EXPECT_EQ(vtc.header.grid.resolution, 3);
        const tf::VmrFile vmr = tf::readVmrFile(dir / (std::string(code) + ".vmr"));
        EXPECT_EQ(vmr.dimX, 3 * vtc.header.grid.dimX());
        EXPECT_TRUE(vmr.voxels.empty());

        // The run straight back.
        convert(vtcPath, dir / (std::string(code) + "_run.nii.gz"));
        const tf::NiftiImage run = tf::readNiftiImage(dir / (std::string(code) + "_run.nii.gz"));
        expectSameImage(run, f, name + " as a run");
        EXPECT_DOUBLE_EQ(run.header.timeStepMilliseconds(), 2000.0);

        // A map set made of the VTC's own values, placed by --like.
        tf::MapSetFile set;
        set.grid = vtc.header.grid;
        const std::size_t voxels = set.grid.voxelCount();
        for (int t = 0; t < vtc.header.nrOfVolumes; ++t) {
            tf::MapDefinition m;
            m.name = "volume " + std::to_string(t);
            for (std::size_t v = 0; v < voxels; ++v)
                m.values.push_back(vtc.floatValues[v * 3 + std::size_t(t)]);
            set.maps.push_back(m);
        }
        tf::writeMapSetFile(dir / "maps.vmp", set);
        convert(dir / "maps.vmp", dir / (std::string(code) + "_maps.nii.gz"), {{"--like", vtcPath.string()}});
        expectSameImage(tf::readNiftiImage(dir / (std::string(code) + "_maps.nii.gz")), f, name + " as maps");
        std::ifstream sidecar(dir / (std::string(code) + "_maps.json"));
        const json names = json::parse(sidecar);
        ASSERT_EQ(names["Maps"].size(), 3u);
        EXPECT_EQ(names["Maps"][2]["Name"], "volume 2");
    }
}

TEST_F(ConvertTest, RunPlacedInItsAnatomyKeepsItsValuesAndPositions) {
    const json& bold = fixture("bold_ras.nii.gz");
    const json& t1 = fixture("t1_ras_1mm.nii.gz");
    const std::string said = convert(kData / "bold_ras.nii.gz", dir / "run.vtc",
                                     {{"--anatomy", (kData / "t1_ras_1mm.nii.gz").string()}});
    EXPECT_EQ(said.find("resampled"), std::string::npos) << said;
    const tf::VtcFile vtc = tf::readVtcFile(dir / "run.vtc");
    // The run's voxel (0, 0, 0) is anatomical voxel (4, 5, 3), the centre of
    // the functional voxel whose box starts one voxel lower.
    const tf::FunctionalGrid& g = vtc.header.grid;
    EXPECT_EQ(g.xStart, 3);
    EXPECT_EQ(g.yStart, 4);
    EXPECT_EQ(g.zStart, 2);
    EXPECT_EQ(g.dimX(), 4);
    EXPECT_EQ(g.dimY(), 5);
    EXPECT_EQ(g.dimZ(), 3);
    for (std::size_t v = 0; v < g.voxelCount(); ++v)
        for (std::size_t t = 0; t < 3; ++t)
            ASSERT_EQ(vtc.floatValues[v * 3 + t],
                      float(bold["values"][t * g.voxelCount() + v].get<double>()));
    const tf::Placement p = tf::readPlacementSidecar(dir / "run.vtc");
    EXPECT_TRUE(tf::functionalToWorld(p.anatomicalToWorld, g).isApprox(affineOf(bold), 1e-9));

    const tf::VmrFile vmr = tf::readVmrFile(dir / "run.vmr");
    ASSERT_EQ(vmr.voxels.size(), t1["values"].size());
    for (std::size_t i = 0; i < vmr.voxels.size(); ++i)
        ASSERT_EQ(vmr.voxels[i], t1["values"][i].get<double>());
    convert(dir / "run.vmr", dir / "anat.nii");
    expectSameImage(tf::readNiftiImage(dir / "anat.nii"), t1, "the anatomy back");
}

TEST_F(ConvertTest, AnatomyAloneBecomesAVmrAndComesBack) {
    convert(kData / "t1_ras_1mm.nii.gz", dir / "anat.vmr");
    convert(dir / "anat.vmr", dir / "anat.nii.gz");
    expectSameImage(tf::readNiftiImage(dir / "anat.nii.gz"), fixture("t1_ras_1mm.nii.gz"), "anatomy");
}

TEST_F(ConvertTest, ObliqueRunIsResampledTrilinearlyAndSaysSo) {
    const json& f = fixture("linear_oblique.nii.gz");
    const std::string said = convert(kData / "linear_oblique.nii.gz", dir / "run.vtc", {{"--res", "2"}});
    EXPECT_NE(said.find("oblique"), std::string::npos) << said;
    EXPECT_NE(said.find("resampled (trilinear)"), std::string::npos) << said;
    const tf::VtcFile vtc = tf::readVtcFile(dir / "run.vtc");
    const tf::FunctionalGrid& g = vtc.header.grid;
    EXPECT_EQ(g.resolution, 2);
    const tf::Affine toWorld =
        tf::functionalToWorld(tf::readPlacementSidecar(dir / "run.vtc").anatomicalToWorld, g);
    // Axis-aligned 2 mm voxels.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_TRUE(toWorld(r, c) == 0 || std::abs(toWorld(r, c)) == 2.0);
    const tf::Affine toSource = affineOf(f).inverse() * toWorld;
    const auto& lin = fixtures()["linear"];
    int inside = 0, outside = 0;
    std::size_t v = 0;
    for (int z = 0; z < g.dimZ(); ++z)
        for (int y = 0; y < g.dimY(); ++y)
            for (int x = 0; x < g.dimX(); ++x, ++v) {
                const Eigen::Vector4d w = toWorld * Eigen::Vector4d(x, y, z, 1);
                const Eigen::Vector4d s = toSource * Eigen::Vector4d(x, y, z, 1);
                bool in = true, out = false;
                for (int a = 0; a < 3; ++a) {
                    const double n = f["size"][a].get<double>() - 1;
                    in = in && s[a] > 1e-3 && s[a] < n - 1e-3;
                    out = out || s[a] < -1e-3 || s[a] > n + 1e-3;
                }
                const double expected = lin[0].get<double>() * w[0] + lin[1].get<double>() * w[1] +
                                        lin[2].get<double>() * w[2] + lin[3].get<double>();
                if (in) {
                    ++inside;
                    EXPECT_NEAR(vtc.floatValues[v * 2], expected, 1e-3 * std::max(1.0, std::abs(expected)));
                    EXPECT_NEAR(vtc.floatValues[v * 2 + 1], 2 * expected,
                                2e-3 * std::max(1.0, std::abs(expected)));
                } else if (out) {
                    ++outside;
                    EXPECT_EQ(vtc.floatValues[v * 2], 0.0f);
                }
            }
    EXPECT_GT(inside, 60);
    EXPECT_GT(outside, 10);
}

TEST_F(ConvertTest, SidecarTrWinsOverTheHeader) {
    fs::copy_file(kData / "bold_ras.nii.gz", dir / "sub-01_bold.nii.gz");
    std::ofstream(dir / "sub-01_bold.json") << R"({"RepetitionTime": 0.8})";
    const std::string said = convert(dir / "sub-01_bold.nii.gz", dir / "run.vtc");
    EXPECT_NE(said.find("TR 800 ms from sub-01_bold.json (its header says 2000 ms"), std::string::npos)
        << said;
    EXPECT_FLOAT_EQ(tf::readVtcHeader(dir / "run.vtc").tr, 800.0f);
}

TEST_F(ConvertTest, UnknownPairsAndStrayOptionsAreRefused) {
    EXPECT_THROW(convert(kData / "bold_ras.nii.gz", dir / "x.txt"), std::runtime_error);
    try {
        convert(dir / "a.vmr", dir / "b.nii", {{"--res", "2"}});
        FAIL() << "an option that does not apply was taken";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "option --res does not apply to converting .vmr to .nii");
    }
    EXPECT_EQ(tf::formatKey("a/B.NII.GZ"), "nii");
    EXPECT_EQ(tf::formatKey("a/run.VTC"), "vtc");
    EXPECT_EQ(tf::formatKey("a/noext"), "");
}

TEST_F(ConvertTest, IntegerVtcsAreWidenedVolumeByVolume) {
    // A hand-made uint16 VTC of 2 x 1 x 1 voxels and 3 volumes; value
    // 10 * voxel + volume, so a transposition fault shows.
    tf::VtcHeader h;
    h.dataType = 1;
    h.nrOfVolumes = 3;
    h.grid.resolution = 2;
    h.grid.xStart = 4, h.grid.xEnd = 8, h.grid.yStart = 0, h.grid.yEnd = 2, h.grid.zStart = 6,
    h.grid.zEnd = 8;
    h.tr = 1500.0f;
    const std::vector<std::uint16_t> values = {0, 1, 2, 10, 11, 12};
    tf::writeVtcFile(dir / "int.vtc", h, {}, values);
    tf::Placement p;
    p.anatomicalToWorld(0, 3) = 100.0;  // anatomical voxel (0, 0, 0) at x = 100 mm
    tf::writePlacementSidecar(dir / "int.vtc", p, h.grid);
    convert(dir / "int.vtc", dir / "int.nii");
    const tf::NiftiImage img = tf::readNiftiImage(dir / "int.nii");
    EXPECT_EQ(img.values, (std::vector<float>{0, 10, 1, 11, 2, 12}));
    EXPECT_DOUBLE_EQ(img.header.timeStepMilliseconds(), 1500.0);
    // Functional voxel 0 covers anatomical x 4 and 5: its centre is 4.5.
    EXPECT_NEAR(img.header.affine(0, 3), 104.5, 1e-9);
    EXPECT_NEAR(img.header.affine(2, 3), 6.5, 1e-9);
    EXPECT_NEAR(img.header.affine(0, 0), 2.0, 1e-9);
}

TEST_F(ConvertTest, RunAgainstTheAnatomysAxesIsCopiedAlongThem) {
    // The run's x axis points left, the anatomy's right: the VTC follows the
    // anatomy, so its voxel x is the run's voxel 3 - x, with no resampling.
    const json& bold = fixture("bold_las.nii.gz");
    const std::string said = convert(kData / "bold_las.nii.gz", dir / "run.vtc",
                                     {{"--anatomy", (kData / "t1_ras_for_las.nii.gz").string()}});
    EXPECT_EQ(said.find("resampled"), std::string::npos) << said;
    const tf::VtcFile vtc = tf::readVtcFile(dir / "run.vtc");
    const tf::FunctionalGrid& g = vtc.header.grid;
    ASSERT_EQ(g.voxelCount(), 60u);
    const tf::Affine toWorld =
        tf::functionalToWorld(tf::readPlacementSidecar(dir / "run.vtc").anatomicalToWorld, g);
    EXPECT_GT(toWorld(0, 0), 0.0);  // the anatomy's direction
    const tf::Affine toRun = affineOf(bold).inverse() * toWorld;
    std::size_t v = 0;
    for (int z = 0; z < g.dimZ(); ++z)
        for (int y = 0; y < g.dimY(); ++y)
            for (int x = 0; x < g.dimX(); ++x, ++v) {
                const Eigen::Vector4d s = toRun * Eigen::Vector4d(x, y, z, 1);
                std::array<long, 3> ijk{};
                for (int a = 0; a < 3; ++a) {
                    ijk[a] = std::lround(s[a]);
                    ASSERT_NEAR(s[a], double(ijk[a]), 1e-6);
                    ASSERT_GE(ijk[a], 0);
                    ASSERT_LT(ijk[a], bold["size"][a].get<long>());
                }
                EXPECT_EQ(ijk[0], 3 - x);
                const std::size_t at = std::size_t(ijk[0] + 4 * (ijk[1] + 5 * ijk[2]));
                for (std::size_t t = 0; t < 3; ++t)
                    ASSERT_EQ(vtc.floatValues[v * 3 + t], float(bold["values"][at + 60 * t].get<double>()));
            }
}
