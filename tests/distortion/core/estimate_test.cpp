#include "distortion/core/vdmestimate.h"
#include "tools/support/fftw_for_tests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace distortion::core;

namespace {

// A bright ellipsoid on a dark background, smooth enough to register.
Volume blob(int nx, int ny, int nz, float cy) {
    Volume v(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const float dx = (x - nx / 2.0f) / (nx * 0.3f), dy = (y - cy) / (ny * 0.3f),
                            dz = (z - nz / 2.0f) / (nz * 0.4f);
                const float r2 = dx * dx + dy * dy + dz * dz;
                v(x, y, z) = 1000.0f * std::exp(-2.0f * r2 * r2) + 50.0f * std::sin(0.7f * x + 0.3f * y);
            }
    return v;
}

}  // namespace

TEST(ColumnwiseEstimate, IdenticalVolumesGiveAZeroMap) {
    const Volume v = blob(8, 16, 4, 8);
    std::ostringstream log;
    const Volume map = estimateColumnwise(fftwForTests(), v, v, {0.5, 2.0, 0.5}, 0, log);
    for (std::size_t i = 0; i < map.size(); ++i) ASSERT_NEAR(map[i], 0.0f, 1e-4);
    EXPECT_NE(log.str().find("Start fast VDM estimate... \n"), std::string::npos);
    EXPECT_NE(log.str().find("Column-wise optimisation, sigma: x: 0.5, y: 2, sigma.z: 0.5\n"),
              std::string::npos);
    EXPECT_NE(log.str().find("SSD of original AP and PA volumes: 0\n"), std::string::npos);
}

TEST(ColumnwiseEstimate, DarkColumnsAreNeverWritten) {
    const Volume v(6, 10, 2, 50.0f);
    std::ostringstream log;
    const Volume map = estimateColumnwise(fftwForTests(), v, v + 10.0f, {0.5, 1.0, 0.5}, 0, log);
    for (std::size_t i = 0; i < map.size(); ++i) EXPECT_EQ(map[i], 0.0f);
}

TEST(ColumnwiseEstimate, RecoversAUniformShift) {
    // The first series shows the object 2 voxels early along y, the second 2
    // voxels late: U(y) = AP(y + D) puts it back with D = -2.
    const Volume ap = blob(8, 32, 4, 14), pa = blob(8, 32, 4, 18);
    std::ostringstream log;
    const Volume map = estimateColumnwise(fftwForTests(), ap, pa, {0.5, 2.0, 0.5}, 0, log);
    EXPECT_NEAR(map(4, 16, 2), -2.0f, 0.3f);
    EXPECT_NEAR(map(3, 15, 2), -2.0f, 0.3f);
}

TEST(InverseConsistency, AdjustsInStepsOfFiveHundredths) {
    Volume m(1, 3, 1, 0.0f);
    m(0, 1, 0) = 1.2f;
    m(0, 2, 0) = 1.2f;
    EXPECT_EQ(consistencyCount(m), 1);
    EXPECT_EQ(improveInverseConsistency(m), 2);
    EXPECT_NEAR(m(0, 0, 0), 0.1f, 1e-6);
    EXPECT_NEAR(m(0, 1, 0), 1.1f, 1e-6);
    EXPECT_EQ(consistencyCount(m), 0);
    Volume flat(2, 4, 2, 3.0f);
    EXPECT_EQ(improveInverseConsistency(flat), 0);
}

TEST(Estimate, ScheduleListsOfDifferentLengthsFailBeforeAnyWork) {
    const Volume v(4, 4, 4, 1.0f);
    EstimationSchedule s;
    s.localbox.push_back(Volume(3, 3, 3, 1.0f));
    s.vdm_smoothing.push_back({1, 1, 1});
    std::ostringstream log;
    try {
        estimateVdm(fftwForTests(), v, v, {0.5, 1, 0.5}, true, s, false, log, 0);
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("): localbox.size() == s_values.size()"), std::string::npos);
    }
    EXPECT_EQ(log.str(), "");
    EXPECT_THROW(estimateVdm(fftwForTests(), v, Volume(4, 4, 3, 1.0f), {0.5, 1, 0.5}, true, s, false, log, 0),
                 std::logic_error);
}

TEST(Estimate, ConstantVolumesUnderCorrelationAreMarkedNotANumber) {
    const Volume v(6, 6, 4, 500.0f);
    EstimationSchedule s;
    std::ostringstream log;
    const Volume map = estimateVdm(fftwForTests(), v, v, {0.5, 1, 0.5}, false, s, false, log, 0);
    EXPECT_EQ(std::lround(map[0]), -99);
    EXPECT_NE(log.str().find("NCC after applying smoothed VDM: "), std::string::npos);
    EXPECT_NE(
        log.str().find("Not-a-number values detected. Local optimization skipped. Please start again trying "
                       "higher order.\n"),
        std::string::npos);
}

TEST(LocalStage, DarkVoxelsKeepTheirValueAndGetAQuarterWeight) {
    const Volume dark(5, 6, 3, 10.0f);
    Volume vdm(5, 6, 3, 0.7f), apU(dark), paU(dark), newMap, weight;
    optimiseStageLiteral(vdm, dark, dark, apU, paU, Volume(3, 3, 3, 1.0f), {-1.0f, 0.0f, 1.0f}, true, newMap,
                         weight);
    for (std::size_t i = 0; i < vdm.size(); ++i) {
        EXPECT_EQ(newMap[i], 0.7f);
        EXPECT_EQ(weight[i], 0.25f);
    }
}

TEST(Estimate, PluginScheduleStagesShiftsAndWidths) {
    const EstimationSchedule s = pluginSchedule({4.0, 1.0, 2.25});
    ASSERT_EQ(s.localbox.size(), 4u);
    const int boxes[4] = {7, 7, 5, 5};
    const std::size_t counts[4] = {11, 7, 11, 11};
    const float first[4] = {-5.0f, -2.4f, -1.5f, -0.75f};
    const double numerators[4] = {20, 12, 6, 2};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s.localbox[k].dimensions(), (Dimensions{boxes[k], boxes[k], boxes[k]}));
        for (std::size_t i = 0; i < s.localbox[k].size(); ++i) ASSERT_EQ(s.localbox[k][i], 1.0f);
        ASSERT_EQ(s.s_values[k].size(), counts[k]);
        EXPECT_FLOAT_EQ(s.s_values[k].front(), first[k]);
        EXPECT_FLOAT_EQ(s.s_values[k].back(), -first[k]);
        EXPECT_DOUBLE_EQ(s.vdm_smoothing[k][0], numerators[k] / 2.0);
        EXPECT_DOUBLE_EQ(s.vdm_smoothing[k][1], numerators[k]);
        EXPECT_DOUBLE_EQ(s.vdm_smoothing[k][2], numerators[k] / 1.5);
    }
    EXPECT_EQ(s.s_values[0][1], static_cast<float>(-8) * 0.5f);
    EXPECT_EQ(s.s_values[3][4], static_cast<float>(-1) * 0.15f);
}
