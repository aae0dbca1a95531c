// The plug-in's form as the host shows it, offscreen, at the smallest window
// it must work in and at full screen: every control has room and a label, and
// nothing is cut or hidden under something else; its log follows the newest
// line.
#include "support/form_checks.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct Size {
    int width, height;
};

void PrintTo(const Size& size, std::ostream* out) {
    *out << size.width << "x" << size.height;
}

class DistortionFormLayout : public ::testing::TestWithParam<Size> {};

TEST_P(DistortionFormLayout, EveryControlHasRoomAndALabel) {
    test_support::expectFormFitsWindow(MIREL_PLUGIN_PATH, GetParam().width, GetParam().height,
                                       {"tf_file0",
                                        "sBox_volume0",
                                        "btn_select0",
                                        "tf_file1",
                                        "sBox_volume1",
                                        "btn_select1",
                                        "chkBox_rllr",
                                        "chkBox_useSsd",
                                        "chkBox_useIc",
                                        "chkBox_applyToInput",
                                        "chkBox_saveDerivative",
                                        "sBox_order",
                                        "btn_estimate",
                                        "tf_vdm",
                                        "btn_browseVdm",
                                        "ta_files",
                                        "btn_batch",
                                        "btn_check",
                                        "btn_apply",
                                        "ta_log"});
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, DistortionFormLayout,
                         ::testing::Values(Size{640, 480}, Size{800, 600}, Size{1600, 1000}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

// The log follows its newest line as it grows and when the window is resized.
TEST(DistortionFormLog, ShowsTheNewestLine) {
    test_support::expectLogFollowsNewestLine(MIREL_PLUGIN_PATH, "ta_log");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
