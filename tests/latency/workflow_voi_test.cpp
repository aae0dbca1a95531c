// A complete VOI-based run through the stand-in host: every log line, every
// prompt and every file, byte for byte.

#include "latency_run_fixture.h"

namespace latency_test {
namespace {

TEST_F(LatencyRunTest, Scratch) {
    writeStandardStudy();
    const auto result = run(standardAnswers());
    EXPECT_EQ(result.error, "");
    for (const auto& l : logLines()) std::cout << "[" << l << "]\n";
    for (const auto& e : events()) std::cout << e.kind << " | " << e.text << " | " << e.answer << "\n";
    for (const auto& f : outputFiles()) std::cout << f << "\n";
    std::cout << output("AvgTrials_Results.txt") << output("Left_VTC1_sig.dat");
}

}  // namespace
}  // namespace latency_test
