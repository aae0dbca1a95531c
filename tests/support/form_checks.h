// The checks every plug-in form passes, offscreen: the form fits a window of
// a given size, and its log follows its newest line. Each plug-in's test
// names its form's controls and log.
#pragma once

#include <QString>

#include <string>
#include <vector>

namespace test_support {

// Loads the form of the plug-in at `pluginPath` in a `width` x `height`
// window: the named controls are shown, every control has room and a label,
// and text typed after a click lands in the clicked field.
void expectFormFitsWindow(const char* pluginPath, int width, int height,
                          const std::vector<std::string>& controls);

// The same at the smallest window a form must work in (640x480), at 800x600
// and at full screen (1600x1000).
void expectFormFitsEveryWindowSize(const char* pluginPath, const std::vector<std::string>& controls);

// The log area `logName` shows its last line as the host's log grows and as
// the window is resized.
void expectLogFollowsNewestLine(const char* pluginPath, const QString& logName);

}  // namespace test_support
