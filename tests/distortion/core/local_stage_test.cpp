// The shift-wise trial loop against the literal one: the same shift chosen
// on every voxel and the same map bit for bit, on random and phantom-like
// volumes, with and without history from rows shifted outside; whole
// estimations (which smooth differently) within 1e-3 voxel.
#include "distortion/core/local_stage_fast.h"
#include "distortion/core/vdm.h"
#include "distortion/core/vdmestimate.h"
#include "tools/support/fftw_for_tests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

using namespace distortion::core;

namespace {

Volume phantomLike(int nx, int ny, int nz, float centreY, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 8.0f);
    Volume v(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const float dx = (x - nx / 2.0f) / (nx * 0.35f), dy = (y - centreY) / (ny * 0.38f),
                            dz = (z - nz / 2.0f) / (nz * 0.45f);
                const float r = std::sqrt(dx * dx + dy * dy + dz * dz);
                const float inside = 1.0f / (1.0f + std::exp((r - 1.0f) * 10.0f));
                v(x, y, z) = inside * (700.0f + 300.0f * std::sin(0.8f * x + 0.4f * z) * std::cos(0.6f * y)) +
                             noise(rng);
            }
    return v;
}

Volume randomVolume(int nx, int ny, int nz, unsigned seed, float low = 0.0f, float high = 300.0f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(low, high);
    Volume v(nx, ny, nz);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = u(rng);
    return v;
}

struct Agreement {
    std::size_t optimised = 0, same = 0, sameMap = 0;
};

Agreement compareStage(const Volume& ap, const Volume& pa, const Volume& vdm, int boxSize,
                       const std::vector<float>& shifts, bool useSsd) {
    const Volume box(boxSize, boxSize, boxSize, 1.0f);
    Volume apU = undistortCubic(ap, vdm, false), paU = undistortCubic(pa, vdm, true);
    const Volume apU0 = apU, paU0 = paU;
    Volume mapLiteral, weightLiteral, mapFast, weightFast;
    std::vector<int> chosenLiteral, chosenFast;
    optimiseStageLiteral(vdm, ap, pa, apU, paU, box, shifts, useSsd, mapLiteral, weightLiteral,
                         &chosenLiteral);
    optimiseStageFast(vdm, ap, pa, apU0, paU0, box, shifts, useSsd, mapFast, weightFast, &chosenFast);
    Agreement a;
    for (std::size_t i = 0; i < vdm.size(); ++i) {
        EXPECT_EQ(weightLiteral[i], weightFast[i]) << "voxel " << i;
        if (weightLiteral[i] == 1.0f) ++a.optimised;
        if (chosenLiteral[i] == chosenFast[i]) ++a.same;
        if (std::memcmp(&mapLiteral[i], &mapFast[i], sizeof(float)) == 0) ++a.sameMap;
    }
    return a;
}

std::vector<float> shiftsOf(int first, int last, int step, float size) {
    std::vector<float> s;
    for (int k = first; k <= last; k += step) s.push_back(static_cast<float>(k) * size);
    return s;
}

}  // namespace

TEST(LocalStageFast, AgreesWithTheLiteralTrialLoop) {
    struct Case {
        const char* name;
        Volume ap, pa, vdm;
        int box;
        std::vector<float> shifts;
        bool ssd;
    };
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-2.0f, 2.0f);
    Volume smoothMap(20, 24, 10);
    for (int z = 0; z < 10; ++z)
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 20; ++x) smoothMap(x, y, z) = 1.5f * std::sin(0.3f * x + 0.2f * y) + 0.1f * z;
    Volume noisyMap(18, 16, 9);
    for (std::size_t i = 0; i < noisyMap.size(); ++i) noisyMap[i] = u(rng);
    Case cases[] = {
        {"phantom ssd", phantomLike(20, 24, 10, 11, 1), phantomLike(20, 24, 10, 13, 2), smoothMap, 7,
         shiftsOf(-10, 10, 2, 0.5f), true},
        {"phantom ncc", phantomLike(20, 24, 10, 11, 3), phantomLike(20, 24, 10, 13, 4), smoothMap, 5,
         shiftsOf(-5, 5, 1, 0.3f), false},
        {"random ssd", randomVolume(18, 16, 9, 5), randomVolume(18, 16, 9, 6), noisyMap, 5,
         shiftsOf(-6, 6, 2, 0.4f), true},
        {"random ncc", randomVolume(18, 16, 9, 8), randomVolume(18, 16, 9, 9), noisyMap, 7,
         shiftsOf(-5, 5, 1, 0.15f), false},
        // Shifts of up to five rows on 16 rows: many trials fall outside and
        // leave history behind.
        {"phantom ncc, wide shifts", phantomLike(20, 24, 10, 11, 13), phantomLike(20, 24, 10, 13, 14),
         smoothMap, 7, shiftsOf(-10, 10, 2, 0.5f), false},
        {"random ssd, wide shifts", randomVolume(18, 16, 9, 15), randomVolume(18, 16, 9, 16), noisyMap, 7,
         shiftsOf(-10, 10, 2, 0.5f), true},
        // Bright and nearly flat: single-precision correlation sums are mostly
        // rounding, so any change in their order or precision changes choices.
        {"bright flat ncc", randomVolume(18, 16, 9, 19, 5000.0f, 5020.0f),
         randomVolume(18, 16, 9, 20, 5000.0f, 5020.0f), noisyMap, 5, shiftsOf(-5, 5, 1, 0.3f), false},
        {"random ncc, wide shifts", randomVolume(18, 16, 9, 17), randomVolume(18, 16, 9, 18), noisyMap, 5,
         shiftsOf(-10, 10, 2, 0.5f), false},
    };
    for (const Case& c : cases) {
        const Agreement a = compareStage(c.ap, c.pa, c.vdm, c.box, c.shifts, c.ssd);
        ASSERT_GT(a.optimised, 100u) << c.name;
        EXPECT_EQ(a.same, c.vdm.size())
            << c.name << ": the same shift on " << a.same << " of " << c.vdm.size();
        EXPECT_EQ(a.sameMap, c.vdm.size()) << c.name << ": the same map value on " << a.sameMap;
    }
}

TEST(LocalStageFast, WholeEstimationMatchesTheLiteralOne) {
    const Volume ap = phantomLike(20, 24, 10, 10.5f, 11), pa = phantomLike(20, 24, 10, 13.5f, 12);
    EstimationSchedule s;
    for (int stage = 0; stage < 2; ++stage) {
        s.localbox.emplace_back(5, 5, 5, 1.0f);
        s.s_values.push_back(shiftsOf(-5, 5, 1, stage == 0 ? 0.3f : 0.15f));
        s.vdm_smoothing.push_back({2.0, 2.0, 2.0});
    }
    for (bool ssd : {true, false}) {
        std::ostringstream log1, log2;
        EstimationSchedule literal = s;
        literal.literalTrials = true;
        const Volume fast = estimateVdm(fftwForTests(), ap, pa, {0.5, 2.0, 0.5}, ssd, s, true, log1, 0);
        const Volume slow = estimateVdm(fftwForTests(), ap, pa, {0.5, 2.0, 0.5}, ssd, literal, true, log2, 0);
        double worst = 0;
        for (std::size_t i = 0; i < fast.size(); ++i)
            worst = std::max(worst, std::fabs(double(fast[i]) - slow[i]));
        EXPECT_LT(worst, 1e-3) << (ssd ? "SSD" : "NCC");
    }
}

TEST(LocalStageFast, AppliesOnlyToBoxesOfOnesAndAscendingShifts) {
    Volume box(3, 3, 3, 1.0f);
    EXPECT_TRUE(fastStageApplies(box, {-1.0f, 0.0f, 1.0f}));
    EXPECT_FALSE(fastStageApplies(box, {1.0f, 0.0f}));
    EXPECT_FALSE(fastStageApplies(box, {}));
    box(1, 1, 1) = 0.5f;
    EXPECT_FALSE(fastStageApplies(box, {-1.0f, 0.0f, 1.0f}));
}
