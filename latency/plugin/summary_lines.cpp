#include "latency/plugin/summary_lines.h"

#include "latency/io/text_format.h"

namespace latency::plugin {

using namespace latency::core;
using namespace latency::io;

std::vector<std::string> averageSummaryLines(int voiNumber, const std::string& voiName, bool deconvolution,
                                             const float means[kMeasureCount]) {
    const char* source = deconvolution ? "Deconvolution beta plots" : "Average trial signal";
    return {"       ",
            formatText("VOI n.: %i %s (%s)", voiNumber, voiName.c_str(), source),
            formatText("\t\tOnset delay [sec]: %f", means[kOnset]),
            formatText("\t\tWidth [sec]: %f", means[kWidth]),
            formatText("\t\tTime-to-peak [sec]: %f", means[kTimeToPeak]),
            formatText("\t\tAmplitude [psc]   : %f", means[kAmplitude]),
            "       "};
}

std::vector<std::string> singleTrialSummaryLines(float confidence,
                                                 const PooledMeasure pooled[kMeasureCount]) {
    const auto line = [&](const char* format, Measure m) {
        return formatText(format, pooled[m].mean, pooled[m].halfWidth);
    };
    return {"       ",
            formatText("Single-trial (mean and %f %% statistical confidence) :", confidence),
            line("\t\tOnset delay [sec]: %f (\u00b1%f)", kOnset),
            line("\t\tWidth (duration) [sec]: %f (\u00b1%f)", kWidth),
            line("\t\tTime-to-peak [sec]: %f (\u00b1%f)", kTimeToPeak),
            line("\t\tAmplitude [psc]   : %f (\u00b1%f)", kAmplitude),
            "       "};
}

}  // namespace latency::plugin
