// Inputs that once gave a hang, a wrong map with success, or a silent
// overwrite: each now ends with the right answer or a clear message.
#include "distortion/io/file_names.h"
#include "distortion/io/map_file.h"
#include "distortion/io/project_files.h"
#include "tests/distortion/plugin/workflow_support.h"

#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace workflow;

namespace {

// A float project (STC order: slice, volume, row, column) with voxel size 2.
void writeFloatProject(const fs::path& dir, const std::string& name, int nx, int ny, int nz,
                       const std::vector<std::vector<float>>& volumes) {
    write(dir / (name + ".fmr"), "NrOfVolumes: " + std::to_string(volumes.size()) +
                                     "\nNrOfSlices: " + std::to_string(nz) + "\nPrefix: " + name +
                                     "\nDataType: 2\nResolutionX: " + std::to_string(nx) +
                                     "\nResolutionY: " + std::to_string(ny) +
                                     "\nInplaneResolutionX: 2\nInplaneResolutionY: 2\nSliceThickness: 2\n"
                                     "SliceGap: 0\n");
    std::ofstream out(dir / (name + ".stc"), std::ios::binary);
    const std::size_t plane = static_cast<std::size_t>(nx) * ny;
    for (int z = 0; z < nz; ++z)
        for (const std::vector<float>& v : volumes)
            out.write(reinterpret_cast<const char*>(v.data() + z * plane), plane * sizeof(float));
}

std::vector<float> noise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(0.0f, 1000.0f);
    std::vector<float> v(n);
    for (float& x : v) x = value(rng);
    return v;
}

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string estimateJob(const std::string& file0, const std::string& file1, int rllr, int ssd, int apply) {
    return R"([{"command": "estimate", "parameters": {"file0": ")" + file0 + R"(", "file1": ")" + file1 +
           R"(", "volume0": 0, "volume1": 0, "rllr": )" + std::to_string(rllr) +
           R"(, "use_ic": 0, "use_ssd": )" + std::to_string(ssd) + R"(, "apply_to_input": )" +
           std::to_string(apply) + R"(, "save_derivative": 0, "order": 0}, "print": ["vdm"]}])";
}

}  // namespace

// Along a phase-encoding axis of two voxels, uniform noise once drove the
// fit to displacements that were not numbers: the map was saved NaN
// everywhere and the undistorted copies all 0. SSD's trivial minimum there
// (every sample moved out of the volume) is now refused by name.
TEST_F(Workflow, NoiseAlongATwoVoxelAxisSavesNoMap) {
    const fs::path dir = root / "narrow";
    fs::create_directories(dir);
    writeFloatProject(dir, "a", 2, 97, 1, {noise(2 * 97, 1)});
    writeFloatProject(dir, "b", 2, 97, 1, {noise(2 * 97, 2)});
    const Outcome o =
        job("narrow", estimateJob("a.fmr", "b.fmr", 1, 1, 1), R"( "documents": {"fmr": "a.fmr"},)", dir);
    EXPECT_TRUE(contains(o.output,
                         "Talvora> [message] Error: The displacement estimate diverged (194 "
                         "displacements exceed the 2 voxels of the phase-encoding axis in the local "
                         "optimisation); no map is given. Try other volumes or another order.\n"))
        << o.output;
    EXPECT_FALSE(contains(o.output, "nan")) << o.output;
    EXPECT_TRUE(contains(o.output, "vdm = (unset)")) << o.output;
    for (const char* f : {"a_vdm.map", "b_vdm.map", "a_undist.fmr", "b_undist.fmr"})
        EXPECT_FALSE(fs::exists(dir / f)) << f;
}

// A bright constant volume against uniform noise made the fit diverge and
// the inverse-consistency repair loop for ever.
TEST_F(Workflow, ConstantAgainstNoiseEndsWithAMapOrAClearError) {
    const fs::path dir = root / "divergent";
    fs::create_directories(dir);
    const std::size_t n = 21 * 27 * 7;
    writeFloatProject(dir, "flat", 21, 27, 7, {std::vector<float>(n, 1000.0f)});
    writeFloatProject(dir, "noise", 21, 27, 7, {noise(n, 3)});
    for (int ssd = 0; ssd < 2; ++ssd) {
        fs::remove(dir / "flat_vdm.map");
        const Outcome o = job("divergent", estimateJob("flat.fmr", "noise.fmr", 0, ssd, 0),
                              R"( "documents": {"fmr": "flat.fmr"},)", dir);
        if (contains(o.output, "Talvora> [message] Error: ")) {
            EXPECT_TRUE(contains(o.output, "Talvora> [message] Error: The displacement estimate diverged ("))
                << o.output;
            EXPECT_FALSE(fs::exists(dir / "flat_vdm.map"));
        } else {
            const distortion::core::Volume map = distortion::io::readMapFile((dir / "flat_vdm.map").string());
            for (std::size_t i = 0; i < map.size(); ++i)
                ASSERT_TRUE(std::isfinite(map[i]) && std::fabs(map[i]) <= 27.0f) << map[i];
        }
    }
}

// One NaN voxel in a float project once turned every voxel of the
// undistorted volume into NaN through the spline's prefilter.
TEST_F(Workflow, OneNanVoxelStaysLocalAndIsReported) {
    const fs::path dir = root / "nanvoxel";
    fs::create_directories(dir);
    distortion::io::Project clean = distortion::io::readFMR((set / "run_pa.fmr").string(), true);
    ASSERT_EQ(clean.intOf("DataType"), 2);
    const distortion::core::Dimensions d = clean.volumes[0].dimensions();
    std::vector<std::vector<float>> volumes;
    for (const distortion::core::Volume& v : clean.volumes)
        volumes.emplace_back(v.data(), v.data() + v.size());
    writeFloatProject(dir, "clean", d[0], d[1], d[2], volumes);
    const int nx = 16, ny = 20, nz = 4;  // a bright voxel inside the object
    volumes[1][(static_cast<std::size_t>(nz) * d[1] + ny) * d[0] + nx] =
        std::numeric_limits<float>::quiet_NaN();
    writeFloatProject(dir, "hole", d[0], d[1], d[2], volumes);
    fs::copy_file(set / "truth_vdm.map", dir / "truth_vdm.map", fs::copy_options::overwrite_existing);
    const Outcome o = job("nanvoxel",
                          R"([{"command": "apply", "parameters": {"vdm": "truth_vdm.map", "rllr": 0,
                              "files": "clean.fmr\nhole.fmr"}}])",
                          R"( "documents": {"fmr": "clean.fmr"},)", dir);
    EXPECT_TRUE(contains(o.output,
                         "Warning: hole.fmr, volume 1: 1 value is not a finite number (kept as NaN, "
                         "counted as 0 when resampling their neighbours)\n"))
        << o.output;
    EXPECT_EQ(countOf(o.output, "Warning: "), 1u) << o.output;
    const distortion::io::Project a = distortion::io::readFMR((dir / "clean_undist.fmr").string(), true);
    const distortion::io::Project b = distortion::io::readFMR((dir / "hole_undist.fmr").string(), true);
    for (std::size_t i = 0; i < a.volumes[0].size(); ++i) ASSERT_EQ(a.volumes[0][i], b.volumes[0][i]);
    std::size_t nans = 0, changed = 0;
    const distortion::core::Volume &u = a.volumes[1], &v = b.volumes[1];
    for (int z = 0; z < d[2]; ++z)
        for (int y = 0; y < d[1]; ++y)
            for (int x = 0; x < d[0]; ++x) {
                if (std::isnan(v(x, y, z))) {
                    ++nans;
                    EXPECT_TRUE(x == nx && z == nz && std::abs(y - ny) <= 3) << x << " " << y << " " << z;
                    continue;
                }
                ASSERT_TRUE(std::isfinite(v(x, y, z)));
                const bool far = std::abs(x - nx) > 6 || std::abs(y - ny) > 9 || std::abs(z - nz) > 6;
                if (far) {
                    ASSERT_NEAR(v(x, y, z), u(x, y, z), 1e-3f * (1.0f + std::fabs(u(x, y, z))));
                }
                if (v(x, y, z) != u(x, y, z)) ++changed;
            }
    EXPECT_GE(nans, 1u);
    EXPECT_LE(nans, 3u);
    EXPECT_GT(changed, 0u);  // the neighbours see a 0 where the NaN was
}

// The map is loaded into the current FMR for the first path of the list,
// a DMR as much as an FMR: without a current FMR the host says so.
TEST_F(Workflow, ApplyLoadsTheMapForAFirstDmrToo) {
    const fs::path jobFile = set / "dmr_first.json";
    write(jobFile, R"({"plugin": "Mirel_r122", "commands": [{"command": "apply", "parameters":
        {"vdm": "truth_vdm.map", "rllr": 0, "files": "dwi_ap.dmr\nrun_ap.fmr"}}]})");
    const Outcome o =
        run(std::string(TALVORA_EXE) + " run " + jobFile.string() + " --plugins-dir " + PLUGINS_DIR);
    EXPECT_EQ(countOf(o.output, "Talvora> no functional project (FMR) is open\n"), 1u) << o.output;
    EXPECT_TRUE(contains(o.output,
                         "Undistorted data saved as: dwi_ap_undist.dmr\n"
                         "Undistorted data saved as: run_ap_undist.fmr\n"))
        << o.output;
}

TEST_F(Workflow, TheSameProjectTwiceIsRefusedBeforeAnyMapIsWritten) {
    const fs::path dir = root / "twice";
    fs::create_directories(dir);
    for (const char* f : {"run_ap.fmr", "run_ap.stc", "run_pa.fmr", "run_pa.stc"})
        fs::copy_file(set / f, dir / f, fs::copy_options::overwrite_existing);
    write(dir / "run_ap_vdm.map", "kept");
    fs::copy_file(set / "run_ap.fmr", dir / "run_ap.dmr", fs::copy_options::overwrite_existing);
    for (const std::string& second :
         {std::string("run_ap.fmr"), std::string("./run_ap.fmr"), std::string("run_ap.dmr")}) {
        const Outcome o = job("twice", estimateJob("run_ap.fmr", second, 0, 1, 1), "", dir);
        EXPECT_TRUE(contains(o.output,
                             "Talvora> [message] Error: file0 and file1 must be two different "
                             "projects: both maps would be saved as run_ap_vdm.map"))
            << o.output;
        EXPECT_FALSE(contains(o.output, "Estimating voxel displacement maps")) << o.output;
        EXPECT_EQ(readBytes(dir / "run_ap_vdm.map"), "kept");
        EXPECT_FALSE(fs::exists(dir / "run_ap_undist.fmr"));
    }
}

TEST_F(Workflow, EmptyMapLongDataFileAndFolderAreReported) {
    const fs::path dir = root / "small";
    fs::create_directories(dir / "x.fmr");
    std::string map = readBytes(set / "truth_vdm.map");
    const std::string name = "empty";
    // Type word 10000 (so 0 slices also from the word), 0 rows, 0 columns.
    std::string empty(22, '\0');
    empty[0] = 0x10;
    empty[1] = 0x27;
    empty += name + '\0';
    write(dir / "empty.map", empty);
    for (const char* f : {"run_ap.fmr", "run_pa.fmr", "run_pa.stc"})
        fs::copy_file(set / f, dir / f, fs::copy_options::overwrite_existing);
    write(dir / "run_ap.stc", readBytes(set / "run_ap.stc") + std::string(2, '\0'));
    const std::uintmax_t stcSize = fs::file_size(dir / "run_ap.stc");

    Outcome o =
        job("empty_map",
            R"([{"command": "apply", "parameters": {"vdm": "empty.map", "rllr": 0, "files": "run_pa.fmr"}}])",
            "", dir);
    EXPECT_TRUE(contains(o.output, "Talvora> [message] Error: empty.map: the map is empty (0 x 0 x 0)"))
        << o.output;
    EXPECT_FALSE(fs::exists(dir / "run_pa_undist.fmr"));

    o = job("long_data", estimateJob("run_ap.fmr", "run_pa.fmr", 0, 1, 0), R"( "documents": {},)", dir);
    EXPECT_TRUE(contains(o.output, "Talvora> [message] Error: run_ap.stc: the data file holds " +
                                       std::to_string(stcSize) + " bytes, but run_ap.fmr describes " +
                                       std::to_string(stcSize - 2) + " (32 x 40 x 9 x 2 values of 2 bytes)"))
        << o.output;

    o = job("folder", R"([{"command": "check", "parameters": {"files": "x.fmr\nrun_pa.fmr"}}])", "", dir);
    EXPECT_TRUE(contains(o.output, "Talvora> [message] x.fmr: could not read file\n")) << o.output;
    EXPECT_FALSE(contains(o.output, "run_pa.fmr: could not")) << o.output;
    EXPECT_FALSE(contains(o.output, "Check: OK")) << o.output;
}

// A stored map with a value that is not a number is not applied.
TEST_F(Workflow, AMapHoldingNanIsNotApplied) {
    const fs::path dir = root / "nanmap";
    fs::create_directories(dir);
    for (const char* f : {"run_pa.fmr", "run_pa.stc"})
        fs::copy_file(set / f, dir / f, fs::copy_options::overwrite_existing);
    std::string map = readBytes(set / "truth_vdm.map");
    map.replace(map.size() - 4, 4, std::string("\x00\x00\xc0\x7f", 4));  // the last value: NaN
    write(dir / "nan.map", map);
    const Outcome o =
        job("nanmap",
            R"([{"command": "apply", "parameters": {"vdm": "nan.map", "rllr": 0, "files": "run_pa.fmr"}}])",
            R"( "documents": {"fmr": "run_pa.fmr"},)", dir);
    EXPECT_TRUE(contains(o.output,
                         "Loading VDM...\nTalvora> [message] Error: The map nan.map holds 1 value that is "
                         "not a finite number\n"))
        << o.output;
    EXPECT_FALSE(fs::exists(dir / "run_pa_undist.fmr"));
}
