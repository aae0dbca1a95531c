// The plug-in's form as the host shows it, offscreen, at the smallest window
// it must work in and at full screen: every control has room and a label, and
// nothing is cut or hidden under something else; its log follows the newest
// line.
#include "support/form_checks.h"

#include <gtest/gtest.h>

namespace {

TEST(DistortionFormLayout, EveryControlHasRoomAndALabel) {
    test_support::expectFormFitsEveryWindowSize(MIREL_PLUGIN_PATH, {"tf_file0",
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

// The log follows its newest line as it grows and when the window is resized.
TEST(DistortionFormLog, ShowsTheNewestLine) {
    test_support::expectLogFollowsNewestLine(MIREL_PLUGIN_PATH, "ta_log");
}

}  // namespace
