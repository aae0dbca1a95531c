#include "graph/ui/window_placement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QList>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace graph::ui {

namespace {

constexpr int kGap = 8;               // between neighbouring windows
constexpr int kStaysOnTopWeight = 4;  // overlap under such a window hides more
constexpr double kShrinkable = 0.6;   // a window may lose up to 40 % of a side to fit

// One axis of a spot: cut [start, start + length) to the area, keep at least
// `least` (never more than the area), and push it back inside.
void fitAxis(int& start, int& length, int least, int areaStart, int areaLength) {
    const int begin = std::max(start, areaStart);
    const int end = std::min(start + length, areaStart + areaLength);
    int kept = std::max(end - begin, std::min(least, areaLength));
    kept = std::min(kept, areaLength);
    start = std::clamp(begin, areaStart, areaStart + areaLength - kept);
    length = kept;
}

QRect fitInto(const QRect& spot, QSize minimum, const QRect& area) {
    int x = spot.x(), width = spot.width();
    int y = spot.y(), height = spot.height();
    fitAxis(x, width, minimum.width(), area.x(), area.width());
    fitAxis(y, height, minimum.height(), area.y(), area.height());
    return QRect(x, y, width, height);
}

long long overlap(const QRect& spot, const std::vector<OpenWindow>& open) {
    long long total = 0;
    for (const OpenWindow& w : open) {
        const QRect common = spot.intersected(w.frame);
        if (common.isEmpty()) continue;
        total +=
            static_cast<long long>(common.width()) * common.height() * (w.staysOnTop ? kStaysOnTopWeight : 1);
    }
    return total;
}

// Right of, below, left of and above `anchor`, aligned with its top or left.
std::vector<QRect> spotsBeside(const QRect& anchor, QSize size) {
    return {QRect(QPoint(anchor.right() + 1 + kGap, anchor.top()), size),
            QRect(QPoint(anchor.left(), anchor.bottom() + 1 + kGap), size),
            QRect(QPoint(anchor.left() - kGap - size.width(), anchor.top()), size),
            QRect(QPoint(anchor.left(), anchor.top() - kGap - size.height()), size)};
}

// Windows placed here, oldest first.
QList<QPointer<QWidget>>& placedWindows() {
    static QList<QPointer<QWidget>> windows;
    return windows;
}

bool isOpenWindow(const QWidget* widget) {
    if (!widget->isWindow() || !widget->isVisible() || widget->isMinimized()) return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// Visible windows, the ones placed here last and in the order they came.
std::vector<const QWidget*> openWindowsOldestFirst(const QWidget* except) {
    std::vector<const QWidget*> windows;
    QList<QPointer<QWidget>>& placed = placedWindows();
    placed.removeAll(QPointer<QWidget>());
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == except || !isOpenWindow(widget)) continue;
        if (!placed.contains(const_cast<QWidget*>(widget))) windows.push_back(widget);
    }
    for (const QPointer<QWidget>& widget : placed)
        if (widget != except && isOpenWindow(widget)) windows.push_back(widget);
    return windows;
}

}  // namespace

QRect placeBeside(QSize size, QSize minimum, const std::vector<OpenWindow>& open, const QRect& available) {
    const QSize wanted = size.boundedTo(available.size());
    const QSize least = minimum.boundedTo(wanted);
    if (open.empty()) {
        QRect centred(QPoint(), wanted);
        centred.moveCenter(available.center());
        return fitInto(centred, least, available);
    }
    QRect best;
    long long bestOverlap = std::numeric_limits<long long>::max();
    for (auto anchor = open.rbegin(); anchor != open.rend(); ++anchor) {
        for (const QRect& spot : spotsBeside(anchor->frame, wanted)) {
            const QRect fitted = fitInto(spot, least, available);
            const long long covered = overlap(fitted, open);
            if (covered == 0) return fitted;
            if (covered < bestOverlap) {
                bestOverlap = covered;
                best = fitted;
            }
        }
    }
    return best;
}

void placeNewWindow(QWidget* window) {
    if (!window) return;
    const std::vector<const QWidget*> windows = openWindowsOldestFirst(window);
    const QWidget* newest = windows.empty() ? nullptr : windows.back();
    QScreen* screen = newest ? newest->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;

    QSize frameExtra;
    for (const QWidget* w : windows)
        frameExtra = frameExtra.expandedTo(w->frameGeometry().size() - w->geometry().size());
    // A window's frame is not known before the window manager has framed it
    // (not yet for the new window, maybe not yet for one just shown): such a
    // window gets the others' title bar and borders, or a title bar's height.
    if (frameExtra.isNull() && QGuiApplication::platformName() != QLatin1String("offscreen"))
        frameExtra = QSize(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight));
    std::vector<OpenWindow> open;
    for (const QWidget* w : windows) {
        QRect frame = w->frameGeometry();
        if (frame == w->geometry()) frame.setSize(frame.size() + frameExtra);
        open.push_back({frame, w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
    }

    const QSize size = window->size() + frameExtra;
    const QSize smallest = (window->size() * kShrinkable)
                               .expandedTo(window->minimumSize())
                               .expandedTo(window->minimumSizeHint())
                               .boundedTo(window->size()) +
                           frameExtra;
    const QRect frame = placeBeside(size, smallest, open, screen->availableGeometry());
    if (frame.size() != size) window->resize(frame.size() - frameExtra);
    window->move(frame.topLeft());

    placedWindows().removeAll(QPointer<QWidget>(window));
    placedWindows().append(window);
}

}  // namespace graph::ui
