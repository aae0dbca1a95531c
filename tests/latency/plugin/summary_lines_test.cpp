// The log summary lines of a VOI: across-VTC means and pooled single-trial
// measures, with the confidence level as entered and "±" in UTF-8.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "latency/plugin/summary_lines.h"

namespace {

using latency::core::kMeasureCount;
using latency::core::PooledMeasure;

TEST(SummaryLines, AverageTrialAndDeconvolution) {
    const float means[kMeasureCount] = {2.1f, 7.1f, 3.1f, -1.0f};
    EXPECT_EQ(latency::plugin::averageSummaryLines(2, "Right", false, means),
              (std::vector<std::string>{"       ", "VOI n.: 2 Right (Average trial signal)",
                                        "\t\tOnset delay [sec]: 2.100000", "\t\tWidth [sec]: 7.100000",
                                        "\t\tTime-to-peak [sec]: 3.100000",
                                        "\t\tAmplitude [psc]   : -1.000000", "       "}));
    EXPECT_EQ(latency::plugin::averageSummaryLines(1, "V", true, means)[1],
              "VOI n.: 1 V (Deconvolution beta plots)");
}

TEST(SummaryLines, SingleTrialWithConfidenceAsEntered) {
    PooledMeasure pooled[kMeasureCount];
    pooled[0] = {2.5f, 0.25f};
    pooled[1] = {7.0f, 1.5f};
    pooled[2] = {3.0f, 0.0f};
    pooled[3] = {-1.0f, 0.0f};
    EXPECT_EQ(
        latency::plugin::singleTrialSummaryLines(0.05f, pooled),
        (std::vector<std::string>{"       ", "Single-trial (mean and 0.050000 % statistical confidence) :",
                                  "\t\tOnset delay [sec]: 2.500000 (\xC2\xB1"
                                  "0.250000)",
                                  "\t\tWidth (duration) [sec]: 7.000000 (\xC2\xB1"
                                  "1.500000)",
                                  "\t\tTime-to-peak [sec]: 3.000000 (\xC2\xB1"
                                  "0.000000)",
                                  "\t\tAmplitude [psc]   : -1.000000 (\xC2\xB1"
                                  "0.000000)",
                                  "       "}));
}

}  // namespace
