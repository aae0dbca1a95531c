// The plug-in's form as the host shows it, offscreen, at the smallest window
// it must work in and at full screen: every control has room and a label, and
// nothing is cut or hidden under something else; its log follows the newest
// line.
#include "support/form_checks.h"

#include <gtest/gtest.h>

namespace {

TEST(GrangerFormLayout, EveryControlHasRoomAndALabel) {
    test_support::expectFormFitsEveryWindowSize(
        CAUSALIS_PLUGIN_PATH,
        {"voiFileField", "startCheckButton", "voiCombo", "subjectField", "vtcList", "methodCombo",
         "conditionsButton", "conditionCombo", "manualName", "intervalStart", "intervalEnd", "runButton",
         "groupList", "groupButton", "statusLabel", "logView"});
}

// The log follows its newest line as it grows and when the window is resized.
TEST(GrangerFormLog, ShowsTheNewestLine) {
    test_support::expectLogFollowsNewestLine(CAUSALIS_PLUGIN_PATH, "logView");
}

}  // namespace
