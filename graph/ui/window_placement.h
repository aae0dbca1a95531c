#pragma once
// Where a new window of the plug-in goes: beside the windows already open and
// inside the screen's available area. Without this every window opened at the
// same spot, on top of the previous one, or under the main dialog that stays
// on top (and so seemed not to open at all).

#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace graph::ui {

struct OpenWindow {
    QRect frame;              // title bar and borders included
    bool staysOnTop = false;  // a window placed under it would be hidden
};

// The frame rectangle for a new window that wants `size` and can shrink to
// `minimum`, given the open windows (oldest first) and the screen's available
// area. Spots are tried beside each open window, the newest first: right of
// it, below it, left of it, above it; a spot is cut to the area (not below
// `minimum`, then pushed back inside). The first spot that overlaps no open
// window wins; when every spot overlaps, the one with the least overlap
// (counted four times under a window that stays on top) does. The result is
// always inside the area, and never larger than it.
QRect placeBeside(QSize size, QSize minimum, const std::vector<OpenWindow>& open, const QRect& available);

// Places a window that is about to be shown by placeBeside among the
// application's visible windows (the ones placed here count from oldest to
// newest, any others before them) on the screen of the newest, and remembers
// it as the newest. A window that would not fit the screen is made smaller.
void placeNewWindow(QWidget* window);

}  // namespace graph::ui
