#include "granger/core/gcm_settings.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace granger::core;

namespace {

struct Read {
    bool ok;
    GcmSettings s;
    std::string errors;
};

Read read(const std::string& text) {
    std::istringstream in(text);
    Read r;
    std::ostringstream err;
    r.ok = readGcmSettings(in, r.s, err);
    r.errors = err.str();
    return r;
}

}  // namespace

TEST(GcmSettings, DefaultsAndEmptyOrCommentOnlyFiles) {
    for (const char* text : {"", "// comment\n//another\n", "\n   \n// x = 1\n"}) {
        const Read r = read(text);
        EXPECT_TRUE(r.ok) << text;
        EXPECT_EQ(r.errors, "");
        EXPECT_EQ(r.s.mapTypes, (std::set<int>{INST, DGCM}));
        EXPECT_EQ(r.s.qThresholds, (std::vector<float>{0.01f, 0.05f, 0.1f}));
        EXPECT_EQ(r.s.cvConstant, 2);
        EXPECT_EQ(r.s.arOrder, 1);
        EXPECT_EQ(r.s.firstTimePointInclusionThres, 100);
        EXPECT_TRUE(r.s.verbose);
        EXPECT_EQ(r.s.numSurrogates, 1000);
        EXPECT_EQ(r.s.numDiscarded, 100);
        EXPECT_FLOAT_EQ(r.s.dgcmItInstLowerThres, 0.05f);
        EXPECT_FLOAT_EQ(r.s.dgcmRcUpperThres, 0.7f);
        EXPECT_FALSE(r.s.separateSourceTargetVtcs);
        EXPECT_FLOAT_EQ(r.s.mapScaleFactor, 100.0f);
    }
}

TEST(GcmSettings, AcceptedValues) {
    const Read r = read(
        "AutoRegressionOrder= 20\nCVConstantForFDR= 1\nFirstTimePointInclusionThres= 0\n"
        "ShowVerboseProgressLog= 0\nNumSurrogateSimulations= 10\nNumDiscardedSimulatedTimePoints= 1000\n"
        "DGCM_ITInstLowerThres= 0.2\nDGCM_RCUpperThres= 0\nSeparateSourceTargetVTCs= 1\n"
        "MapScaleFactor= 0.01\nQThresholdsForFDR= 0.2 0.05\nMapTypesComputed= REF2VOX VOX2REF\n"
        "AutoRegressionOrder= 3abc\n   MapScaleFactor=    1000 extra\n");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.s.arOrder, 3);  // last value wins, number read from the token's start
    EXPECT_EQ(r.s.cvConstant, 1);
    EXPECT_EQ(r.s.firstTimePointInclusionThres, 0);
    EXPECT_FALSE(r.s.verbose);
    EXPECT_EQ(r.s.numSurrogates, 10);
    EXPECT_EQ(r.s.numDiscarded, 1000);
    EXPECT_FLOAT_EQ(r.s.dgcmItInstLowerThres, 0.2f);
    EXPECT_FLOAT_EQ(r.s.dgcmRcUpperThres, 0.0f);
    EXPECT_TRUE(r.s.separateSourceTargetVtcs);
    EXPECT_FLOAT_EQ(r.s.mapScaleFactor, 1000.0f);
    EXPECT_EQ(r.s.qThresholds, (std::vector<float>{0.05f, 0.2f}));
    EXPECT_EQ(r.s.mapTypes, (std::set<int>{INST, DGCM}));
}

TEST(GcmSettings, RefusedLinesAndTheirMessages) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"AutoRegressionOrder= 0\n",
         "Invalid value for 'AutoRegressionOrder=' in VUVIrurar.ini: 0 (valid range 1 - 20)"},
        {"AutoRegressionOrder= 21\n",
         "Invalid value for 'AutoRegressionOrder=' in VUVIrurar.ini: 21 (valid range 1 - 20)"},
        {"AutoRegressionOrder=2\n", "Unknown entry in VUVIrurar.ini: 'AutoRegressionOrder=2'"},
        {"Foo= 1\n", "Unknown entry in VUVIrurar.ini: 'Foo='"},
        {"AutoRegressionOrder=\n", "No valid entry for 'AutoRegressionOrder=' found in VUVIrurar.ini"},
        {"AutoRegressionOrder= x2\n", "Invalid entry for 'AutoRegressionOrder=' in VUVIrurar.ini: x2"},
        {"CVConstantForFDR= abc\n", "Invalid entry for 'CVConstantForFDR=' in VUVIrurar.ini: 'abc'"},
        {"CVConstantForFDR= 3\n",
         "Invalid value for 'CVConstantForFDR=' in VUVIrurar.ini: 3 (must be 1 or 2)"},
        {"QThresholdsForFDR= 0.05 1.0\n", "Invalid q-value for 'QThresholdsForFDR=' in VUVIrurar.ini: 1"},
        {"QThresholdsForFDR= 0\n", "Invalid q-value for 'QThresholdsForFDR=' in VUVIrurar.ini: 0"},
        {"QThresholdsForFDR=\n", "No valid q-values for 'QThresholdsForFDR=' found in VUVIrurar.ini"},
        {"QThresholdsForFDR= 0.1 x\n", "Invalid entry for 'QThresholdsForFDR=' in VUVIrurar.ini: 'x'"},
        {"FirstTimePointInclusionThres= -1\n",
         "Invalid value for 'FirstTimePointInclusionThres=' in VUVIrurar.ini: -1 (must be >= 0)"},
        {"FirstTimePointInclusionThres= 70000\n",
         "Invalid value for 'FirstTimePointInclusionThres=' in VUVIrurar.ini: 70000 (must be >= 0 and <= 65535)"},
        {"ShowVerboseProgressLog= 2\n",
         "Invalid value for 'ShowVerboseProgressLog=' in VUVIrurar.ini: 2 (must be 0 or 1)"},
        {"NumSurrogateSimulations= 9\n",
         "Invalid value for 'NumSurrogateSimulations=' in VUVIrurar.ini: 9 (valid range 10 - 10000)"},
        {"NumSurrogateSimulations= 10001\n",
         "Invalid value for 'NumSurrogateSimulations=' in VUVIrurar.ini: 10001 (valid range 10 - 10000)"},
        {"NumDiscardedSimulatedTimePoints= 1001\n",
         "Invalid value for 'NumDiscardedSimulatedTimePoints=' in VUVIrurar.ini: 1001 (valid range 10 - 1000)"},
        {"DGCM_ITInstLowerThres= 0\n",
         "Invalid value for 'DGCM_ITInstLowerThres=' in VUVIrurar.ini: 0 (must be >0, high values not recommended)"},
        {"DGCM_RCUpperThres= 1\n",
         "Invalid value for 'DGCM_RCUpperThres=' in VUVIrurar.ini: 1 (valid range [0, 1) )"},
        {"SeparateSourceTargetVTCs= 5\n",
         "Invalid value for 'SeparateSourceTargetVTCs=' in VUVIrurar.ini: 5 (must be 0 or 1)"},
        {"MapScaleFactor= 0.009\n",
         "Invalid value for 'MapScaleFactor=' in VUVIrurar.ini: 0.009 (must be bewteen 0.01 and 1000, inclusive)"},
        {"MapScaleFactor= 1000.5\n",
         "Invalid value for 'MapScaleFactor=' in VUVIrurar.ini: 1000.5 (must be bewteen 0.01 and 1000, inclusive)"},
        {"MapScaleFactor= nan\n", "Invalid entry for 'MapScaleFactor=' in VUVIrurar.ini: nan"},
        // A number that a 32-bit integer cannot hold does not parse as the key's type.
        {"AutoRegressionOrder= 99999999999\n",
         "Invalid entry for 'AutoRegressionOrder=' in VUVIrurar.ini: 99999999999"},
        {"NumSurrogateSimulations= 4294967306\n",
         "Invalid entry for 'NumSurrogateSimulations=' in VUVIrurar.ini: 4294967306"},
        {"NumDiscardedSimulatedTimePoints= -4294967196\n",
         "Invalid entry for 'NumDiscardedSimulatedTimePoints=' in VUVIrurar.ini: -4294967196"},
        {"CVConstantForFDR= 4294967297\n",
         "Invalid entry for 'CVConstantForFDR=' in VUVIrurar.ini: '4294967297'"},
        {"ShowVerboseProgressLog= 4294967297\n",
         "Invalid entry for 'ShowVerboseProgressLog=' in VUVIrurar.ini: 4294967297"},
        {"SeparateSourceTargetVTCs= 4294967296\n",
         "Invalid entry for 'SeparateSourceTargetVTCs=' in VUVIrurar.ini: 4294967296"},
    };
    for (const Case& c : cases) {
        const Read r = read(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.errors, c.error) << c.text;
    }
}

TEST(GcmSettings, ReadingStopsAtTheFirstError) {
    const Read r = read("AutoRegressionOrder= 0\nAutoRegressionOrder= 3\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.s.arOrder, 1);  // the valid line after the bad one was never read
    const Read q = read("QThresholdsForFDR= 0.05 1.0\n");
    EXPECT_EQ(q.s.qThresholds, (std::vector<float>{0.01f, 0.05f, 0.1f}));
}

TEST(GcmSettings, MapTypeKeysAndCodes) {
    const char* keys[] = {"REF2VOX", "VOX2REF", "INST", "DGCM", "DGCM_IT", "DGCM_RC"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(mapTypeKey(i), keys[i]);
        EXPECT_EQ(mapTypeCode(keys[i]), i);
    }
    EXPECT_EQ(mapTypeCode("inst"), -1);
    EXPECT_STREQ(mapTypeKey(6), "");
}

TEST(GcmSettings, LogBlockListsTheValuesInForce) {
    GcmSettings s;
    std::ostringstream out;
    writeGcmSettingsBlock(out, s);
    EXPECT_EQ(out.str(),
              "Created by GCM-plugin version 2.7\n\nGlobal parameter values \n------------------------\n"
              "MapTypesComputed= INST DGCM \nDGCM_ITInstLowerThres= 0.05\n"
              "QThresholdsForFDR= 0.01 0.05 0.1 \nCVConstantForFDR= 2\nShowVerboseProgressLog= 1\n"
              "MapScaleFactor= 100\nAutoRegressionOrder= 1\nFirstTimePointInclusionThres= 100\n"
              "NumSurrogateSimulations= 1000\nNumDiscardedSimulatedTimePoints= 100\n\n");
}
