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

class GrangerFormLayout : public ::testing::TestWithParam<Size> {};

TEST_P(GrangerFormLayout, EveryControlHasRoomAndALabel) {
    test_support::expectFormFitsWindow(
        CAUSALIS_PLUGIN_PATH, GetParam().width, GetParam().height,
        {"voiFileField", "startCheckButton", "voiCombo", "subjectField", "vtcList", "methodCombo",
         "conditionsButton", "conditionCombo", "manualName", "intervalStart", "intervalEnd", "runButton",
         "groupList", "groupButton", "statusLabel", "logView"});
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, GrangerFormLayout,
                         ::testing::Values(Size{640, 480}, Size{800, 600}, Size{1600, 1000}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

// The log follows its newest line as it grows and when the window is resized.
TEST(GrangerFormLog, ShowsTheNewestLine) {
    test_support::expectLogFollowsNewestLine(CAUSALIS_PLUGIN_PATH, "logView");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
