#include "distortion/core/distance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace distortion::core;

namespace {
Volume randomVolume(unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, 10.0f);
    Volume v(4, 3, 2);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = u(rng);
    return v;
}
}  // namespace

TEST(Distance, CorrelationClosedForms) {
    const Volume a = randomVolume(1), b = randomVolume(2);
    EXPECT_NEAR(ncc(a, a), 1.0, 1e-5);
    EXPECT_NEAR(ncc(a, -a), -1.0, 1e-5);
    EXPECT_NEAR(ncc(a, a * 3.0f + 2.0f), 1.0, 1e-4);
    EXPECT_TRUE(std::isnan(ncc(Volume(4, 3, 2, 5.0f), b)));
    // Against the textbook Pearson correlation in double precision.
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const double n = static_cast<double>(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        sa += a[i], sb += b[i], saa += a[i] * a[i], sbb += b[i] * b[i], sab += a[i] * b[i];
    }
    const double r = (n * sab - sa * sb) / std::sqrt((n * saa - sa * sa) * (n * sbb - sb * sb));
    EXPECT_NEAR(ncc(a, b), r, 1e-4);
    const std::vector<Position> all = [&] {
        std::vector<Position> p;
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x) p.push_back({x, y, z});
        return p;
    }();
    EXPECT_NEAR(ncc(a, b, all), r, 1e-4);
    EXPECT_THROW(ncc(a, Volume(4, 3, 3, 0.0f)), std::logic_error);
    EXPECT_THROW(ncc(a, Volume(4, 3, 3, 0.0f), all), std::logic_error);
}

TEST(Distance, SquaredDifferenceTable) {
    const Volume a = randomVolume(3);
    EXPECT_EQ(meanSquaredDifference(a, a), 0.0);
    EXPECT_NEAR(meanSquaredDifference(a, a + 1.0f), 1.0, 1e-5);
    EXPECT_EQ(ssd(a, a + 1.0f, {}), 0.0);
    EXPECT_NEAR(ssd(a, a + 2.0f, {{0, 0, 0}, {3, 2, 1}, {0, 0, 0}}), 12.0,
                1e-4);  // listed twice counts twice
    Vector v1(2), v2(2);
    v1[0] = 0, v1[1] = 2, v2[0] = 5, v2[1] = 4;
    EXPECT_EQ(meanSquaredDifferenceNonzero(v1, v2), 4.0);
    Vector z1(3, 0.0f), z2(3, 1.0f);
    EXPECT_EQ(meanSquaredDifferenceNonzero(z1, z2), 0.0);
    EXPECT_THROW(meanSquaredDifferenceNonzero(v1, z1), std::logic_error);
    EXPECT_THROW(meanSquaredDifference(a, Volume(1, 1, 1, 0.0f)), std::logic_error);
}

#include "distortion/core/containers.h"
#include "distortion/core/filtering.h"
#include "distortion/core/vdm.h"
#include "distortion/core/vdmestimate.h"
#include "tools/support/fftw_for_tests.h"

#include <functional>
#include <sstream>

// Every internal check names its condition, as the user sees it after
// "Error: ".
TEST(Assertions, MessagesNameTheFileLineAndCondition) {
    const Volume a(2, 2, 2, 1.0f), b(2, 2, 3, 1.0f);
    Volume dst(2, 2, 2, 0.0f), map(2, 2, 2, 0.0f);
    std::ostringstream log;
    EstimationSchedule twoBoxes;
    twoBoxes.localbox = {a, a};
    twoBoxes.s_values = {{0.0f}, {0.0f}};
    twoBoxes.vdm_smoothing = {{1, 1, 1}};
    struct Case {
        std::function<void()> run;
        const char* file;
        const char* condition;
    } cases[] = {
        {[&] { ncc(a, b); }, "distance.cpp", "dim1 == dim2"},
        {[&] { meanSquaredDifference(a, b); }, "distance.cpp", "dim1 == dim2"},
        {[&] { ncc(a, b, {}); }, "distance.cpp", "vol1.dimensions() == vol2.dimensions()"},
        {[&] { ssd(a, b, {}); }, "distance.cpp", "vol1.dimensions() == vol2.dimensions()"},
        {[&] { meanSquaredDifferenceNonzero(Vector(2), Vector(3)); }, "distance.cpp",
         "vec1.size() == vec2.size()"},
        {[&] { undistortLinear(dst, b, map, false); }, "vdm.cpp", "dst.dimensions() == src.dimensions()"},
        {[&] { undistortLinear(dst, a, Volume(1, 1, 1, 0.0f), false); }, "vdm.cpp",
         "vdm.dimensions() == src.dimensions()"},
        {[&] { undistortLinear(dst, dst, map, false); }, "vdm.cpp", "&dst != &src"},
        {[&] { undistortCubic(b, map, false); }, "vdm.cpp", "vdm.dimensions() == src.dimensions()"},
        {[&] { resizeMap(dst, dst); }, "vdm.cpp", "&dst != &src"},
        {[&] { fftConvolve(fftwForTests(), dst, b); }, "filtering.cpp",
         "input.dimensions() == kernel.dimensions()"},
        {[&] { setColumn(dst, 0, 0, Vector(3)); }, "containers.cpp", "vec.size() == vol.ny()"},
        {[&] { column(dst, 0, 2); }, "containers.cpp", "row < vol.nx() && slice < vol.nz()"},
        {[&] {
             estimateVdm(fftwForTests(), a, b, {1, 1, 1}, true, twoBoxes, false, log, 0);
         },
         "vdmestimate.cpp", "vol_ap.dimensions() == vol_pa.dimensions()"},
        {[&] {
             estimateVdm(fftwForTests(), a, a, {1, 1, 1}, true, twoBoxes, false, log, 0);
         },
         "vdmestimate.cpp", "localbox.size() == vdm_smoothing.size()"},
        {[&] {
             estimateColumnwise(fftwForTests(), a, b, {1, 1, 1}, 0, log);
         },
         "simplevdmestimate.cpp", "vol_ap.dimensions() == vol_pa.dimensions()"},
    };
    for (const Case& c : cases) {
        try {
            c.run();
            ADD_FAILURE() << "no assertion for " << c.condition;
        } catch (const std::logic_error& e) {
            const std::string what = e.what();
            const std::string prefix = std::string("assertion failure (") + c.file + ":";
            EXPECT_EQ(what.rfind(prefix, 0), 0u) << what;
            EXPECT_EQ(what.substr(what.find("): ") + 3), c.condition) << what;
        }
    }
}
