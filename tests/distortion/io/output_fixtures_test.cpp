// Maps and undistorted projects of the head phantom, compared byte for byte
// with checksums recorded from earlier builds: speed work on the trial loop,
// the resampler and the project writer must not change a single output byte.
#include "distortion/core/vdm.h"
#include "distortion/core/vdmestimate.h"
#include "distortion/io/project_files.h"
#include "distortion/io/undistort_project.h"
#include "tools/support/fftw_for_tests.h"
#include "tools/make_phantom/phantom_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

using namespace distortion::core;
using namespace distortion::io;
namespace fs = std::filesystem;

namespace {

// 64-bit FNV-1a over raw bytes.
std::uint64_t fnv1a(const void* data, std::size_t size, std::uint64_t h = 1469598103934665603ull) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

std::uint64_t checksum(const Volume& v) {
    return fnv1a(v.data(), v.size() * sizeof(float));
}

std::uint64_t fileChecksum(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << path;
    return fnv1a(bytes.data(), bytes.size());
}

std::string hex(std::uint64_t h) {
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

const phantom::Grid kGrid{24, 30, 9};

Volume phantomVolume(int sign) {
    const std::vector<float> v = phantom::series(kGrid, 5.0, 1, sign, 1.0f);
    Volume out(kGrid.nx, kGrid.ny, kGrid.nz);
    std::memcpy(out.data(), v.data(), v.size() * sizeof(float));
    return out;
}

Volume truthMap() {
    const std::vector<float> v = phantom::trueDisplacement(kGrid, 5.0, 1);
    Volume out(kGrid.nx, kGrid.ny, kGrid.nz);
    std::memcpy(out.data(), v.data(), v.size() * sizeof(float));
    return out;
}

std::string estimateChecksum(bool useSsd, bool useIc, bool literal) {
    EstimationSchedule s = pluginSchedule({2.0, 2.0, 2.5});
    s.literalTrials = literal;
    std::ostringstream log;
    const Volume map = estimateVdm(fftwForTests(), phantomVolume(+1), phantomVolume(-1), {0.5, 2.0, 0.5},
                                   useSsd, s, useIc, log, 0);
    return hex(checksum(map));
}

// A three-volume project of the phantom in a fresh folder, 16-bit FMR or
// float DMR.
fs::path writePhantomProject(const fs::path& dir, ProjectKind kind) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    const bool fmr = kind == ProjectKind::FMR;
    const int volumes = 3;
    const fs::path header = dir / (fmr ? "run.fmr" : "dwi.dmr");
    {
        std::ofstream h(header);
        h << "NrOfVolumes: " << volumes << "\nNrOfSlices: " << kGrid.nz
          << "\nPrefix: " << (fmr ? "run" : "dwi") << "\nDataType: " << (fmr ? 1 : 2)
          << "\nResolutionX: " << kGrid.nx << "\nResolutionY: " << kGrid.ny << "\n";
        if (!fmr) h << "DataStorageFormat: 3\n";
    }
    Project p = readProject(kind, header.string(), false);
    p.volumes.clear();
    for (int t = 0; t < volumes; ++t) {
        const std::vector<float> v = phantom::series(kGrid, 5.0, 1, t == 1 ? -1 : 1, 1.0f + 0.25f * t);
        Volume vol(kGrid.nx, kGrid.ny, kGrid.nz);
        for (std::size_t i = 0; i < v.size(); ++i)
            vol[i] = fmr ? static_cast<float>(static_cast<int>(v[i])) : v[i];
        p.volumes.push_back(vol);
    }
    p.dataRead = true;
    writeProject(p, header.string());
    return header;
}

// With `inMemory` the data are read first (as "estimate" has them),
// otherwise the project is streamed from its file (as "apply" does).
std::string undistortChecksums(ProjectKind kind, bool transpose, bool inMemory) {
    const fs::path dir =
        fs::temp_directory_path() /
        ("mirel_fixture_" + std::to_string(static_cast<int>(kind)) + (transpose ? "_t" : ""));
    const fs::path header = writePhantomProject(dir, kind);
    Project p = readProject(kind, header.string(), inMemory);
    Volume map = truthMap();
    if (transpose) map = map.exchangedXY();
    undistortProject(p, map, transpose);
    const bool fmr = kind == ProjectKind::FMR;
    const std::string result = hex(fileChecksum(dir / (fmr ? "run_undist.fmr" : "dwi_undist.dmr"))) + " " +
                               hex(fileChecksum(dir / (fmr ? "run_undist.stc" : "dwi_undist.dwi")));
    fs::remove_all(dir);
    return result;
}

}  // namespace

// The fast estimations' correlation maps were recorded after their trial
// sums became single precision like the literal loop's; fast and literal
// estimations still differ through the separable smoothing.
TEST(OutputFixtures, PhantomMapsOfEveryCostMode) {
    struct Case {
        bool ssd, ic, literal;
        const char* expected;
    } cases[] = {
        {true, false, true, "0884a9e39936dbb3"},   {true, true, true, "63a2159f527a69a7"},
        {false, false, true, "7ef03d2217773072"},  {false, true, true, "a0873af95bd22996"},
        {true, false, false, "8801c3137e79781e"},  {true, true, false, "36702ddfd18ba536"},
        {false, false, false, "18896df48d7e3301"}, {false, true, false, "2a247f882074b297"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(estimateChecksum(c.ssd, c.ic, c.literal), c.expected)
            << (c.ssd ? "SSD" : "NCC") << (c.ic ? " with" : " without") << " intensity correction, "
            << (c.literal ? "literal" : "fast") << " trial loop";
}

TEST(OutputFixtures, UndistortedProjects) {
    for (bool inMemory : {true, false}) {
        EXPECT_EQ(undistortChecksums(ProjectKind::FMR, false, inMemory), "db8a9fb49cc3791b a50f20881410ce34");
        EXPECT_EQ(undistortChecksums(ProjectKind::FMR, true, inMemory), "db8a9fb49cc3791b 754143987bcf9355");
        EXPECT_EQ(undistortChecksums(ProjectKind::DMR, false, inMemory), "c17d584c3a540f46 7f587c4d9fa44295");
        EXPECT_EQ(undistortChecksums(ProjectKind::DMR, true, inMemory), "c17d584c3a540f46 3ac9449e4d121d04");
    }
}
