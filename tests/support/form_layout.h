// Checks of a QML form's layout at one window size, shared by the plug-ins'
// form tests: every visible control has room, lies where the user can reach
// it, overlaps no other control, every input has a label beside or above it
// and every text area shows a few lines inside a visible frame.
#pragma once

#include <QRectF>
#include <QString>

#include <string>
#include <vector>

class QQuickItem;
class QQuickWindow;

namespace test_support {

// One visible control of the form as laid out.
struct FormControl {
    QQuickItem* control = nullptr;
    QQuickItem* box = nullptr;  // what the user sees: a text area's scrolling viewport, else the control
    QQuickItem* page =
        nullptr;   // the outermost scrolling area holding it; null when the form does not scroll
    QString name;  // objectName
    QString kind;  // "label", "button", "checkbox", "field", "textarea", "spinbox", "combo"
    QRectF rect;   // the visible part of `box`, in the page's content (or the window's) coordinates
};

// Resizes the window and lets Qt Quick lay it out and draw it at that size.
void layOut(QQuickWindow& window, int width, int height);

// The visible controls of the window (labels, buttons, check boxes, text
// fields and areas, spin boxes, combo boxes), in item order.
std::vector<FormControl> visibleControls(QQuickWindow& window);

// Every fault of the layout at the window's current size, one line each;
// empty when there is none. Scrolls the form's pages to look at the text
// areas' frames and back to the top.
std::vector<std::string> layoutProblems(QQuickWindow& window);

// Clicks into the middle of every editable text field and area, types, and
// reports where the typed text did not land in that control alone (each
// control's text is restored afterwards).
std::vector<std::string> typingProblems(QQuickWindow& window);

// Where the text area named `name` fails to show the last line of its text:
// its scrolling view must be scrolled to the bottom and the line must be
// drawn there. Scrolls the form's page to look at it and back to the top.
// Empty when the last line is in view.
std::vector<std::string> lastLineProblems(QQuickWindow& window, const QString& name);

// The names among `expected` that no visible control of the window has.
std::vector<std::string> missingControls(QQuickWindow& window, const std::vector<std::string>& expected);

}  // namespace test_support
