#include "granger/core/gcm_maps.h"

#include <gtest/gtest.h>

using namespace granger::core;

namespace {
ResultVolumes sample() {
    ResultVolumes r(4);
    r.ref2vox = {0.5f, 0.1f, 0.0f, 0.3f};
    r.vox2ref = {0.1f, 0.4f, 0.0f, 0.3f};
    r.inst = {0.2f, 0.01f, 0.0f, 0.1f};
    r.nullRef2vox = {0.05f, 0.02f, 0.0f, 0.01f};
    r.nullVox2ref = {0.01f, 0.03f, 0.0f, 0.02f};
    r.nullInst = {0.01f, 0.01f, 0.0f, 0.01f};
    return r;
}
}  // namespace

TEST(GcmMaps, ValuesOfEachType) {
    GcmSettings s;
    const ResultVolumes r = sample();
    std::vector<float> v, n;
    bool hasNull = false;
    ASSERT_TRUE(buildMapValues(DGCM, r, s, v, n, hasNull));
    EXPECT_TRUE(hasNull);
    EXPECT_FLOAT_EQ(v[0], 0.4f);
    EXPECT_FLOAT_EQ(v[1], -0.3f);
    EXPECT_FLOAT_EQ(n[1], -0.01f);
    ASSERT_TRUE(buildMapValues(DGCM_IT, r, s, v, n, hasNull));
    EXPECT_FLOAT_EQ(v[0], 0.4f);
    EXPECT_FLOAT_EQ(v[1], 0.0f);    // Inst 0.01 below 0.05
    EXPECT_FLOAT_EQ(n[1], -0.01f);  // the null is not masked
    ASSERT_TRUE(buildMapValues(DGCM_RC, r, s, v, n, hasNull));
    EXPECT_FALSE(hasNull);
    EXPECT_FLOAT_EQ(v[0], 0.4f / (0.4f + 0.2f));  // 0.667 <= 0.7
    EXPECT_FLOAT_EQ(v[2], 0.0f);                  // Inst 0 and d 0
    EXPECT_FLOAT_EQ(v[3], 0.0f);
    s.dgcmRcUpperThres = 0.5f;
    ASSERT_TRUE(buildMapValues(DGCM_RC, r, s, v, n, hasNull));
    EXPECT_FLOAT_EQ(v[0], 0.0f);  // above the upper cut
    EXPECT_FALSE(buildMapValues(9, r, s, v, n, hasNull));
}

TEST(GcmMaps, DisplaySettings) {
    GcmSettings s;
    MapDisplay d;
    ASSERT_TRUE(mapDisplay(INST, "Faces", 2.0f, s, d));
    EXPECT_EQ(d.name, "Faces: Inst");
    EXPECT_FLOAT_EQ(d.upper, 10.0f);
    EXPECT_EQ(d.positiveLow, (Rgb{0, 0, 64}));
    EXPECT_EQ(d.positiveHigh, (Rgb{0, 0, 255}));
    ASSERT_TRUE(mapDisplay(DGCM, "Faces", 2.0f, s, d));
    EXPECT_EQ(d.name, "Faces: dGCM");
    EXPECT_FLOAT_EQ(d.lower, 2.0f);
    EXPECT_FLOAT_EQ(d.upper, 6.0f);
    EXPECT_EQ(d.negativeLow, (Rgb{0, 64, 0}));
    EXPECT_EQ(d.negativeHigh, (Rgb{0, 255, 0}));
    ASSERT_TRUE(mapDisplay(DGCM_RC, "Faces", 2.0f, s, d));
    EXPECT_EQ(d.name, "Faces: dGCM RC");
    EXPECT_FLOAT_EQ(d.lower, 0.2f);
    EXPECT_FLOAT_EQ(d.upper, 0.7f);
    EXPECT_FALSE(d.setsFdrThresholds);
    ASSERT_TRUE(mapDisplay(VOX2REF, "A", 1.0f, s, d));
    EXPECT_EQ(d.name, "A: Vox2Ref");
    EXPECT_EQ(d.positiveHigh, (Rgb{0, 255, 0}));
    EXPECT_EQ(d.negativeHigh, (Rgb{0, 0, 0}));
    ASSERT_TRUE(mapDisplay(REF2VOX, "A", 1.0f, s, d));
    EXPECT_EQ(d.name, "A: Ref2Vox");
    ASSERT_TRUE(mapDisplay(DGCM_IT, "A", 1.0f, s, d));
    EXPECT_EQ(d.name, "A: dGCM IT");
}

TEST(GcmMaps, ScalingAppliesToRealAndNull) {
    ResultVolumes r = sample();
    r.scale(100.0f);
    EXPECT_FLOAT_EQ(r.ref2vox[0], 50.0f);
    EXPECT_FLOAT_EQ(r.nullInst[0], 1.0f);
}
